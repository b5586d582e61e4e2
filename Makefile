# The two commands a newcomer needs: `make run` and `make test`.
# Both first install whatever Debian packages are missing.

BUILD      ?= build
TEST_BUILD ?= build-test
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test bench clean

all: build

deps:
	@bash tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/barrage

test: deps
	cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBARRAGE_WERROR=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DBARRAGE_BENCH=ON -DBARRAGE_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	./$(BENCH_BUILD)/bin/simulation_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	./$(BENCH_BUILD)/bin/window_bench
	./$(BENCH_BUILD)/bin/program_bench

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(BENCH_BUILD)
