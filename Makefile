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

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(BENCH_BUILD)
