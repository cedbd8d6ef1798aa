# Thin wrappers: make run · make test · make bench · make fuzz
BUILD      ?= build
ASAN_DIR   ?= build-asan
CLANG_DIR  ?= build-clang
BENCH_DIR  ?= build-bench
FUZZ_DIR   ?= build-fuzz
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/halde.obj
# WERROR=ON (as CI runs it) turns warnings in our own code into errors.
WERROR     ?= OFF
CMAKE_GEN  := -G Ninja
LAUNCHER   := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CONFIGURE  := cmake $(CMAKE_GEN) -DQUERVIK_WERROR=$(WERROR) $(LAUNCHER)

.PHONY: all build run test test-main test-asan test-clang test-fuzz fuzz-build format-check bench fuzz clean format

all: build

# The window and the batch tool only: what make run needs.
build:
	@scripts/install-deps run
	@$(CONFIGURE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUERVIK_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quervik quervik-batch

# Opens the window on the bundled example; without a display the batch tool
# cuts the example instead and says where the DXF went.
run: build
	@scripts/run-example "$(BUILD)" "$(EXAMPLE)"

# Everything, tested three ways: the release build with every test; the
# same code with AddressSanitizer and UndefinedBehaviorSanitizer; and a clang
# build with ThreadSanitizer running the tests that use several threads.
# Then the fuzz targets are built and run once over their seeds, so that
# they keep building.
test: format-check test-main test-asan test-clang test-fuzz

format-check:
	@scripts/install-deps test
	@scripts/check-format

test-main:
	@scripts/install-deps test
	@$(CONFIGURE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUERVIK_BUILD_TESTS=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan:
	@scripts/install-deps test
	@$(CONFIGURE) -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERVIK_BUILD_TESTS=ON \
	  -DQUERVIK_SANITIZER=address,undefined >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS) -LE 'external|readback'

test-clang:
	@scripts/install-deps test
	@CXX=clang++-14 $(CONFIGURE) -S . -B $(CLANG_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUERVIK_BUILD_TESTS=ON -DQUERVIK_SANITIZER=thread >/dev/null
	@cmake --build $(CLANG_DIR) -j $(JOBS)
	@cd $(CLANG_DIR) && ctest --output-on-failure -j $(JOBS) -L threads

bench:
	@scripts/install-deps bench
	@$(CONFIGURE) -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DQUERVIK_BUILD_BENCH=ON -DQUERVIK_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@scripts/run-bench "$(BENCH_DIR)"

fuzz-build:
	@scripts/install-deps fuzz
	@CXX=clang++-14 $(CONFIGURE) -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUERVIK_BUILD_FUZZ=ON -DQUERVIK_BUILD_TESTS=OFF -DQUERVIK_BUILD_UI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)

test-fuzz: fuzz-build
	@FUZZ_SEEDS_ONLY=1 scripts/run-fuzz "$(FUZZ_DIR)"

fuzz: fuzz-build
	@scripts/run-fuzz "$(FUZZ_DIR)"

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_DIR) $(CLANG_DIR) $(BENCH_DIR) $(FUZZ_DIR)
