# The two commands a player or a developer needs: `make run` and `make test`.
# Both install the Debian packages they are missing first (see tools/install-deps.sh).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build
ASAN_BUILD := build-asan
FUZZ_BUILD := build-fuzz
PACKAGE_BUILD := build-package
FUZZ_SECONDS ?= 60

.PHONY: all build run test asan fuzz bench package package-test screenshot deps-build deps-test clean

all: build

deps-build:
	@tools/install-deps.sh build

deps-test:
	@tools/install-deps.sh test

build: deps-build
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEMWELL_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target gemwell

run: build
	cd $(CURDIR) && ./$(BUILD)/gemwell

# Unit tests, end-to-end tests in a private X server, the unit tests again and a minute of
# random input to the real binary under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# bounded run of the fuzz target.
test: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEMWELL_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest -L unit -j $(JOBS) --output-on-failure
	cd $(BUILD) && ctest -L e2e -j 3 --output-on-failure
	$(MAKE) --no-print-directory package-test
	$(MAKE) --no-print-directory asan
	$(MAKE) --no-print-directory fuzz

asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DGEMWELL_TESTS=ON -DGEMWELL_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target rules_tests shell_tests stress_tests gemwell
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest -L 'unit|stress' -j $(JOBS) --output-on-failure

# The fuzz target for FUZZ_SECONDS, from the committed corpus (copied: the run adds to it).
fuzz: deps-test
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DGEMWELL_FUZZ=ON -DGEMWELL_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target rules_fuzz
	rm -rf $(FUZZ_BUILD)/corpus && cp -r tests/fuzz/corpus $(FUZZ_BUILD)/corpus
	cd $(FUZZ_BUILD) && { ./tests/fuzz/rules_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
		-print_final_stats=1 corpus > fuzz.log 2>&1; status=$$?; tail -n 12 fuzz.log; \
		exit $$status; }
	@echo "fuzz: $(FUZZ_SECONDS) s with no finding"

# A Debian package of the game, in build-package/.
package:
	@tools/install-deps.sh package
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DGEMWELL_TESTS=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target gemwell
	cd $(PACKAGE_BUILD) && cpack -G DEB

# Unpacks the package and checks its files and dependencies, and runs the game it installs.
package-test: package
	cmake --build $(BUILD) -j $(JOBS) --target package_tests
	GEMWELL_DEB=$$(ls $(CURDIR)/$(PACKAGE_BUILD)/gemwell_*.deb | head -n 1) \
		./$(BUILD)/tests/package_tests

# The README's screenshot, from the real game under Xvfb.
screenshot: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEMWELL_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS) --target readme_screenshot gemwell
	./$(BUILD)/tools/readme_screenshot docs/screenshot.png

# Rules benchmarks, then the game against the reference renderer (a few minutes); the table
# also goes to build/bench-results.md.
bench:
	@tools/install-deps.sh bench
	@tools/install-deps.sh test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEMWELL_TESTS=ON -DGEMWELL_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	./$(BUILD)/bench/rules_bench
	./$(BUILD)/bench/frame_rate $(BUILD)/bench/libswap_counter.so \
		$(BUILD)/bench/reference_renderer 12 $(BUILD)/bench-results.md

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD)
