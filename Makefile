# Thin wrappers: make run · make test · make bench · make fuzz
BUILD      ?= build
BENCH_DIR  ?= build-bench
FUZZ_DIR   ?= build-fuzz
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/halde.obj
CMAKE_GEN  := -G Ninja

.PHONY: all deps build run test bench fuzz clean format

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Opens the window on the bundled example; without a display the batch tool
# cuts the example instead and says where the DXF went.
run: build
	@scripts/run-example "$(BUILD)" "$(EXAMPLE)"

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	@scripts/install-deps bench
	@cmake -S . -B $(BENCH_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DQUERVIK_BUILD_BENCH=ON -DQUERVIK_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@scripts/run-bench "$(BENCH_DIR)"

fuzz:
	@scripts/install-deps fuzz
	@CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUERVIK_BUILD_FUZZ=ON -DQUERVIK_BUILD_TESTS=OFF -DQUERVIK_BUILD_UI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@scripts/run-fuzz "$(FUZZ_DIR)"

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BENCH_DIR) $(FUZZ_DIR)
