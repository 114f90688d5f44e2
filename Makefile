# make test: install what the build needs, build, run every test, then again under ASan+UBSan.
BUILD_DIR      ?= build
SANITIZE_DIR   ?= build-sanitize
JOBS           ?= $(shell nproc)
CTEST_FLAGS    ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build test test-plain test-sanitize clean

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

test: test-plain test-sanitize

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
