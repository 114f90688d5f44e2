# make test: install what the build needs, build, run every test, then again under ASan+UBSan,
# and the tests of threaded code under TSan.
BUILD_DIR      ?= build
SANITIZE_DIR   ?= build-sanitize
THREAD_DIR     ?= build-thread
THREADED_TESTS ?= vx_platform_tests vx_interface_tests
THREADED_LABEL ?= platform|interface
JOBS           ?= $(shell nproc)
CTEST_FLAGS    ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build test test-plain test-sanitize test-thread clean

all: build

deps:
	scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test-plain: build
	ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS)

$(SANITIZE_DIR)/build.ninja:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=address,undefined

test-sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ctest --test-dir $(SANITIZE_DIR) $(CTEST_FLAGS)

$(THREAD_DIR)/build.ninja:
	cmake -S . -B $(THREAD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=thread

test-thread: deps $(THREAD_DIR)/build.ninja
	cmake --build $(THREAD_DIR) -j $(JOBS) --target $(THREADED_TESTS)
	ctest --test-dir $(THREAD_DIR) $(CTEST_FLAGS) -L '$(THREADED_LABEL)'

test: test-plain test-sanitize test-thread

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(THREAD_DIR)
