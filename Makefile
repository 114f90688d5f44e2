# make test: install what the build needs, build, run every test, then the programs on a real X
# desktop, then every test again under ASan+UBSan,
# the tests of threaded code under TSan, and the fuzz targets for a short run.
BUILD_DIR      ?= build
SANITIZE_DIR   ?= build-sanitize
THREAD_DIR     ?= build-thread
THREADED_TESTS ?= vx_platform_tests vx_interface_tests
THREADED_LABEL ?= platform|interface
FUZZ_DIR       ?= build-fuzz
FUZZ_SECONDS   ?= 10
FUZZ_TARGETS   ?= vx_load_driver_fuzz vx_ieee695_fuzz vx_imagecraft_fuzz vx_elf_fuzz \
                  vx_dwarf_expression_fuzz vx_srecord_download_fuzz vx_configuration_line_fuzz \
                  vx_object_lines_fuzz vx_command_table_file_fuzz vx_simple_field_fuzz \
                  vx_firmware_file_fuzz vx_intelhex_fuzz
JOBS           ?= $(shell nproc)
# The checking builds, like the main one, keep line tables only: reports still name file and
# line, and a two-core machine builds them in far less time than with full debug information.
CHECK_FLAGS    ?= -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_RELWITHDEBINFO='-O1 -g1 -DNDEBUG'
CTEST_FLAGS    ?= --output-on-failure -j $(JOBS)
# The real-desktop stage: its own X server per test, one test at a time.
DESKTOP_LABEL  ?= desktop

.PHONY: all deps build test test-plain test-desktop test-sanitize test-thread fuzz demo firmware-update-demo bench-programming bench-hcs08 \
        bench-srecord bench-display clean

all: build

deps:
	scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO='-O2 -g1 -DNDEBUG'

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test-plain: build
	ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS) -LE '$(DESKTOP_LABEL)'

# The programs under Xvfb and openbox with real XTest input, one test at a time.
test-desktop: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j 1 -L '$(DESKTOP_LABEL)'

$(SANITIZE_DIR)/build.ninja:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=address,undefined $(CHECK_FLAGS)

test-sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ctest --test-dir $(SANITIZE_DIR) $(CTEST_FLAGS) -LE '$(DESKTOP_LABEL)'

$(THREAD_DIR)/build.ninja:
	cmake -S . -B $(THREAD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=thread $(CHECK_FLAGS)

test-thread: deps $(THREAD_DIR)/build.ninja
	cmake --build $(THREAD_DIR) -j $(JOBS) --target $(THREADED_TESTS)
	ctest --test-dir $(THREAD_DIR) $(CTEST_FLAGS) -L '$(THREADED_LABEL)'

# The libFuzzer targets, built with clang, each run for FUZZ_SECONDS from its seed corpus.
$(FUZZ_DIR)/build.ninja:
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON \
	  -DVX_SANITIZE=address,undefined $(CHECK_FLAGS)

fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_TARGETS)
	for target in $(FUZZ_TARGETS); do \
	  seeds=tests/fuzz/corpus/$${target#vx_}; seeds=$${seeds%_fuzz}; \
	  mkdir -p $(FUZZ_DIR)/corpus/$$target && \
	  $(FUZZ_DIR)/bin/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -print_final_stats=1 $(FUZZ_DIR)/corpus/$$target $$seeds || exit 1; \
	done

test: test-plain test-desktop test-sanitize test-thread fuzz

# The production example against the simulated bench, in build/demo; the exit code is the script's.
demo: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target CQUILLHCS08
	scripts/demo.sh $(BUILD_DIR)

# A program copy beside a firmware file packed by fwfile_pack updates an outdated simulated
# cable, in build/firmware-update; the exit code is the script's.
firmware-update-demo: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target CQUILLHCS08 fwfile_pack
	scripts/firmware-update-demo.sh $(BUILD_DIR)

# Programming speed of a 60 KB image at three BDC clocks against its protocol and physical floors.
bench-programming: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target vx_programming_bench
	$(BUILD_DIR)/bin/vx_programming_bench

# Simulated HCS08 instructions per second, the CPU alone and the whole device, beside shc08.
bench-hcs08: deps $(BUILD_DIR)/build.ninja
	scripts/install-deps.sh sdcc-ucsim
	cmake --build $(BUILD_DIR) -j $(JOBS) --target vx_hcs08_bench
	$(BUILD_DIR)/bin/vx_hcs08_bench

# S-record loading speed: a 4 MB file beside srec_cat, shuffled records beside the same sorted.
bench-srecord: deps $(BUILD_DIR)/build.ninja
	scripts/install-deps.sh srecord
	cmake --build $(BUILD_DIR) -j $(JOBS) --target vx_srecord_load_bench
	$(BUILD_DIR)/bin/vx_srecord_load_bench

# Status lines on Qt's offscreen display against headless: 100,000 lines and the production example.
bench-display: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target vx_display_bench CQUILLHCS08
	$(BUILD_DIR)/bin/vx_display_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(THREAD_DIR) $(FUZZ_DIR)
