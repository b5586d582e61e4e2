# The two commands a newcomer needs: `make run` and `make test`.
# Both first install whatever Debian packages are missing.

BUILD          ?= build
TEST_BUILD     ?= build-test
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD     ?= build-fuzz
BENCH_BUILD    ?= build-bench
WEB_BUILD      ?= build-web
PORT           ?= 8000
JOBS           ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS   ?= 30
LONG_FUZZ_SECONDS ?= 600
FUZZERS        := fuzz_record_list fuzz_step_programs fuzz_display fuzz_pattern fuzz_expression

# Sanitizer findings fail the run; only what the window system's own
# libraries keep for the life of the process is suppressed.
SANITIZER_ENV := LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
                 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps web-deps build run web serve install test test-quick test-plain test-sanitize test-fuzz fuzz bench reference clean

# Debian's emscripten finds its JavaScript optimiser's parser among Debian's
# own Node modules only when told where they are.
WEB_ENV := NODE_PATH=/usr/share/nodejs

all: build

deps:
	@bash tools/install-deps.sh

web-deps:
	@bash tools/install-deps.sh --web

# The program and its tools only: no tests, so no test framework is needed.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBARRAGE_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/barrage

# The program and the tools into PREFIX/bin, the sample patterns and the web
# page into PREFIX/share/barrage.
PREFIX ?= /usr/local
install: build web
	cmake --install $(BUILD) --prefix $(PREFIX)
	cmake --install $(WEB_BUILD) --prefix $(PREFIX)

# The web page: $(WEB_BUILD)/page/ holds index.html, barrage.js and
# barrage.wasm, for any static file host; also the trace as WebAssembly for Node.
web: web-deps
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DBARRAGE_TESTS=OFF $(WEB_OPTIONS)
	$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

serve: web
	@echo "Open http://127.0.0.1:$(PORT)/ in a browser; Ctrl+C stops the server."
	/usr/bin/python3 -m http.server --bind 127.0.0.1 --directory $(WEB_BUILD)/page $(PORT)

# The web page first (warnings as errors), then every test, then every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for FUZZ_SECONDS.
test: web-deps
	$(MAKE) --no-print-directory web WEB_OPTIONS=-DBARRAGE_WERROR=ON
	$(MAKE) --no-print-directory test-plain test-sanitize test-fuzz

# The unit tests alone, in well under a minute: what to run while working.
# Tests carry a label by kind: unit, process, browser, fuzz and long
# (ctest -L KIND runs one kind).
test-quick: deps
	cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBARRAGE_WERROR=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS) -L unit

test-plain:
	cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBARRAGE_WERROR=ON \
	    -DBARRAGE_WEB_DIR=$(CURDIR)/$(WEB_BUILD)
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBARRAGE_WERROR=ON -DBARRAGE_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

test-fuzz:
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBARRAGE_WERROR=ON \
	    -DBARRAGE_TESTS=OFF -DBARRAGE_FUZZ=ON -DFUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZERS)
	$(SANITIZER_ENV) ctest --test-dir $(FUZZ_BUILD) --output-on-failure -j $(JOBS)

# Longer fuzzing: ten minutes a target unless LONG_FUZZ_SECONDS says otherwise.
fuzz: deps
	$(MAKE) --no-print-directory test-fuzz FUZZ_SECONDS=$(LONG_FUZZ_SECONDS)

bench: deps web
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DBARRAGE_BENCH=ON -DBARRAGE_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	./$(BENCH_BUILD)/bin/simulation_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	./$(BENCH_BUILD)/bin/window_bench
	./$(BENCH_BUILD)/bin/program_bench
	./$(BENCH_BUILD)/bin/timeline_bench
	./$(BENCH_BUILD)/bin/pattern_bench
	./$(BENCH_BUILD)/bin/ship_bench
	./$(BENCH_BUILD)/bin/runtime_bench
	./$(BENCH_BUILD)/bin/actions_bench
	/usr/bin/python3 bench/web_bench.py $(WEB_BUILD) $(BENCH_BUILD)/bin/barrage-trace

# The pattern format's reference page and JSON Schema, written again from the
# reader's field table after a change to it.
reference: build
	./$(BUILD)/bin/barrage-reference markdown tools/reference.md.in > docs/patterns.md
	./$(BUILD)/bin/barrage-reference schema > patterns/pattern.schema.json

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WEB_BUILD)
