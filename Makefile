# The two commands a player or a developer needs: `make run` and `make test`.
# Both install the Debian packages they are missing first (see tools/install-deps.sh).
# Every build is a CMake preset (CMakePresets.json), so `cmake --preset NAME` gives the same one.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# One folder per preset, so that no build reconfigures or rebuilds another's: any target can
# follow any other, and the dev build's -Werror never meets the play build's cache. The presets
# name the folders; these read them there, when a recipe first needs one (cmake is installed by
# then).
preset_folder = $(shell cmake -DPRESET=$(1) -P cmake/PresetFolder.cmake)
BUILD = $(call preset_folder,play)
DEV_BUILD = $(call preset_folder,dev)
BENCH_BUILD = $(call preset_folder,bench)
ASAN_BUILD = $(call preset_folder,asan)
FUZZ_BUILD = $(call preset_folder,fuzz)
COVERAGE_BUILD = $(call preset_folder,coverage)
WEB_BUILD = $(call preset_folder,web)
PACKAGE_BUILD := build-package
# The tests' Python leaves no __pycache__ in the tree.
export PYTHONDONTWRITEBYTECODE := 1
# Debian's emscripten runs its JavaScript tools with node, which must find Debian's acorn.
EMSCRIPTEN_ENV := NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}
WEB_PORT ?= 8000
# A second package build in a copy of the tree, to show the two are the same bytes.
REBUILD_DIR := build-rebuild
FUZZ_SECONDS ?= 60

.PHONY: all build run web web-run test e2e asan fuzz bench package package-test package-check \
	i386-check fresh-check coverage test-under-load \
	screenshot icons format format-check deps-build deps-web deps-test clean

all: build

deps-build:
	@tools/install-deps.sh build

deps-test:
	@tools/install-deps.sh test

deps-web:
	@tools/install-deps.sh web

build: deps-build
	cmake --preset play
	cmake --build --preset play -j $(JOBS)

# Quitting with q (status 42) and the end of a game (status 0) are both a normal end.
run: build
	@[ -n "$$DISPLAY" ] || { echo "make run: DISPLAY is not set, so the game has no screen to" \
		"open its window on; run it from a desktop session" >&2; exit 1; }
	@cd $(CURDIR) && ./$(BUILD)/gemwell; status=$$?; \
		if [ $$status -ne 0 ] && [ $$status -ne 42 ]; then exit $$status; fi

# The browser edition in build-web/: index.html, gemwell.js and gemwell.wasm, from the same
# sources with Debian's emscripten. make web-run serves it on 127.0.0.1 (WEB_PORT, 0 for any).
web: deps-web
	$(EMSCRIPTEN_ENV) cmake --preset web
	$(EMSCRIPTEN_ENV) cmake --build --preset web -j $(JOBS)

web-run: web
	/usr/bin/python3 tools/serve_web.py $(WEB_BUILD) $(WEB_PORT)

# The upstream tarball (git archive) leaves debian/ out: there is no Debian package to build.
DEBIAN_DIR := $(wildcard debian/control)
NO_DEBIAN := there is no debian/ here, as in the upstream tarball, which leaves the packaging out
# Unit tests, the high-score store's fault tests, end-to-end tests in a private X server, the
# browser edition in headless Chromium held to the native picture, the Debian package's checks,
# the unit and fault tests again and a minute of random input to the real binary under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded run of the fuzz target.
test: deps-test
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --preset unit -j $(JOBS)
	ctest --preset faults -j $(JOBS)
	$(if $(DEBIAN_DIR),ctest --preset identity,@echo "make test: the Debian package's checks \
		(packaging_identity, make package-test) are skipped: $(NO_DEBIAN)")
	@# The end-to-end tests mostly wait on the game's real clock: the browser edition builds
	@# meanwhile. Each part's output comes whole, when it ends.
	$(MAKE) --no-print-directory -j 2 --output-sync=target e2e web
	ctest --preset web
	$(if $(DEBIAN_DIR),$(MAKE) --no-print-directory package-test)
	@# The random-input run under the sanitizers and the fuzz run each hold one core for a fixed
	@# time: side by side.
	$(MAKE) --no-print-directory -j 2 --output-sync=target asan fuzz

# The end-to-end tests alone: the real game in a private X server, on the dev build.
e2e: deps-test
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --preset e2e

# make test (or UNDER_LOAD, e.g. UNDER_LOAD='ctest --preset web') while a clean build loops in a
# copy of the tree and stress-ng's CPU, disk and memory workers run; prints the times. Not in CI.
UNDER_LOAD ?= $(MAKE) --no-print-directory test
test-under-load: deps-test
	@tools/install-deps.sh load
	tools/test-under-load.sh $(UNDER_LOAD)

asan: deps-test
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The fuzz target for FUZZ_SECONDS, from the committed corpus (copied: the run adds to it).
fuzz: deps-test
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	rm -rf $(FUZZ_BUILD)/corpus && cp -r tests/fuzz/corpus $(FUZZ_BUILD)/corpus
	cd $(FUZZ_BUILD) && { ./tests/fuzz/rules_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
		-print_final_stats=1 corpus > fuzz.log 2>&1; status=$$?; tail -n 12 fuzz.log; \
		exit $$status; }
	@echo "fuzz: $(FUZZ_SECONDS) s with no finding"

# The Debian package, built by Debian's own tools from debian/ (dpkg-buildpackage, debhelper)
# in a copy of the tree, into build-package/: gemwell_VERSION-REVISION_ARCH.deb and its -dbgsym.
# DEB_BUILD_OPTIONS=nocheck skips the unit tests, as in any Debian build. The compile-commands
# database the build leaves is for the hardening test.
PACKAGE_SOURCE := $(PACKAGE_BUILD)/gemwell
DEB_BUILD_OPTIONS ?=
package:
	@[ -n "$(DEBIAN_DIR)" ] || { echo "make package: $(NO_DEBIAN)" >&2; exit 1; }
	@tools/install-deps.sh package
	rm -rf $(PACKAGE_BUILD) && mkdir -p $(PACKAGE_SOURCE)
	tar -c --exclude='./build*' --exclude=./.git . | tar -x -C $(PACKAGE_SOURCE)
	cd $(PACKAGE_SOURCE) && CMAKE_EXPORT_COMPILE_COMMANDS=ON \
		DEB_BUILD_OPTIONS="parallel=$(JOBS) $(DEB_BUILD_OPTIONS)" \
		dpkg-buildpackage --build=binary --no-sign \
		$(if $(filter nocheck,$(DEB_BUILD_OPTIONS)),--build-profiles=nocheck)
	@ls $(PACKAGE_BUILD)/*.deb

# Checks the package: its files, lintian, hardening, metainfo, menu entry and manual page, the
# game it installs, and a second build, in another directory under umask 077, for the same
# bytes. Both builds skip the unit tests, which make test has run already.
package-test: deps-test
	$(MAKE) --no-print-directory package DEB_BUILD_OPTIONS=nocheck
	rm -rf $(REBUILD_DIR) && mkdir -p $(REBUILD_DIR)/gemwell
	tar -c --exclude='./build*' --exclude=./.git . | tar -x -C $(REBUILD_DIR)/gemwell
	umask 077 && $(MAKE) --no-print-directory -C $(REBUILD_DIR)/gemwell package \
		DEB_BUILD_OPTIONS=nocheck >$(REBUILD_DIR)/build.log 2>&1 || \
		{ tail -n 40 $(REBUILD_DIR)/build.log; exit 1; }
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS) --target package_tests
	GEMWELL_DEB=$$(ls $(CURDIR)/$(PACKAGE_BUILD)/gemwell_*.deb) \
	GEMWELL_DEB_DBGSYM=$$(ls $(CURDIR)/$(PACKAGE_BUILD)/gemwell-dbgsym_*.deb) \
	GEMWELL_COMPILE_COMMANDS=$$(ls $(CURDIR)/$(PACKAGE_SOURCE)/obj-*/compile_commands.json) \
	GEMWELL_DEB_REBUILT=$$(ls $(CURDIR)/$(REBUILD_DIR)/gemwell/$(PACKAGE_BUILD)/gemwell_*.deb) \
		./$(DEV_BUILD)/tests/package_tests

# The source package built and checked by Debian's tools in fresh chroots of unstable and of
# Debian 13: lintian, a nocheck build, autopkgtest, reproducibility, blhc and piuparts (see
# tools/package-check.sh). It builds what is committed.
package-check:
	@tools/install-deps.sh package-check
	tools/package-check.sh

# The rules, their unit tests and the replay fingerprint built for Debian's i386 baseline (no
# SSE) with the i686 cross compiler, run under qemu-i386 as a processor without SSE, and their
# objects searched for SSE instructions (see tools/i386-check.sh). Minutes, not package-check's
# hour.
i386-check:
	@tools/install-deps.sh i386
	tools/i386-check.sh

# For each release in SUITE: make test on a fresh minimal Debian root holding only make and the
# committed tree, then the package it built installed with apt into a second fresh root and
# played; then the first release's package installed and played on each later one (see the
# script). Debian 12 and 13 by default; SUITE=forky checks testing.
SUITE ?= bookworm trixie
fresh-check:
	@tools/install-deps.sh fresh
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS) --target installed_game_check
	tools/fresh-check.sh $(CURDIR)/$(DEV_BUILD)/tools/installed_game_check $(SUITE)

# Line and branch coverage of the unit tests, by folder, with floors for the rules and the keys.
COVERAGE_LINE_FLOOR := 98
COVERAGE_BRANCH_FLOOR := 95
# Left out: the window and drawing code, which only the end-to-end tests run, and the branches
# the compiler adds to every new and delete (a null check, a constructor that throws).
GCOVR = gcovr --root . --object-directory $(COVERAGE_BUILD) --exclude-unreachable-branches \
	--exclude-throw-branches --exclude-branches-by-pattern '.*\b(new|delete)\b.*' \
	-e src/game/draw.cpp -e src/app/scene.cpp -e src/app/frame_cycle.cpp -e src/app/main.cpp
coverage:
	@tools/install-deps.sh coverage
	@# From scratch: counts or notes left by an earlier build of other files would be merged in.
	rm -rf $(COVERAGE_BUILD)
	cmake --preset coverage
	cmake --build --preset coverage -j $(JOBS)
	ctest --preset coverage -j $(JOBS)
	$(GCOVR) --filter src/ --txt --branches
	@for folder in game input app; do \
		floors=$$([ $$folder = app ] || echo --fail-under-line $(COVERAGE_LINE_FLOOR) \
			--fail-under-branch $(COVERAGE_BRANCH_FLOOR)); \
		echo "src/$$folder:"; $(GCOVR) --filter src/$$folder/ --print-summary -o $(COVERAGE_BUILD)/$$folder.txt $$floors \
			|| { echo "src/$$folder is below its floor ($(COVERAGE_LINE_FLOOR) % of lines," \
				"$(COVERAGE_BRANCH_FLOOR) % of branches)"; exit 1; }; \
	done

# The README's screenshot, from the real game under Xvfb.
screenshot: deps-test
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS) --target readme_screenshot gemwell
	./$(DEV_BUILD)/tools/readme_screenshot docs/screenshot.png

# Rules benchmarks, then the game against the reference renderer (a few minutes); the table
# also goes to build-bench/bench-results.md. Then the browser edition against the native game.
bench:
	@tools/install-deps.sh bench
	@tools/install-deps.sh test
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	./$(BENCH_BUILD)/bench/rules_bench
	./$(BENCH_BUILD)/bench/frame_rate $(BENCH_BUILD)/bench/libswap_counter.so \
		$(BENCH_BUILD)/bench/reference_renderer 12 $(BENCH_BUILD)/bench-results.md
	$(MAKE) --no-print-directory web
	/usr/bin/python3 bench/browser_bench.py --site $(WEB_BUILD) \
		--native $(BENCH_BUILD)/bench/native_frame_time \
		--swap-counter $(BENCH_BUILD)/bench/libswap_counter.so

# The PNG icons from the SVG (committed, so that building needs no SVG renderer). The maskable
# one's gems shrink about its centre into the circle every mask keeps.
MASKABLE_FIT := translate(32 32) scale(0.72) translate(-32 -32)
icons:
	@tools/install-deps.sh icons
	for size in 16 32 48 64 128 256; do \
		mkdir -p data/icons/$${size}x$${size} && \
		rsvg-convert -w $$size -h $$size data/gemwell.svg -o data/icons/$${size}x$${size}/gemwell.png; \
	done
	@# The browser edition's: the home-screen icons, and a full-bleed one whose gems keep to the
	@# middle that any mask leaves (maskable, and Apple's, which rounds the corners itself).
	mkdir -p data/icons/web
	for size in 192 512; do \
		rsvg-convert -w $$size -h $$size data/gemwell.svg -o data/icons/web/icon-$$size.png; \
	done
	sed -e 's|rx="8" fill="#000"/>|fill="#000"/><g transform="$(MASKABLE_FIT)">|' \
		-e 's|</svg>|</g></svg>|' data/gemwell.svg > data/icons/web/maskable.svg.tmp
	rsvg-convert -w 512 -h 512 data/icons/web/maskable.svg.tmp -o data/icons/web/icon-maskable-512.png
	rsvg-convert -w 180 -h 180 data/icons/web/maskable.svg.tmp -o data/icons/web/apple-touch-icon.png
	rm data/icons/web/maskable.svg.tmp

# Formatting: clang-format for the C++ and the page's JavaScript (.clang-format), black for the
# Python (pyproject.toml); every tracked file of those kinds. The service worker's template is
# JavaScript as it stands. format-check changes nothing and fails on any file format would change.
FORMAT_CXX = git ls-files -z -- '*.cpp' '*.h'
FORMAT_JS = git ls-files -z -- '*.js'
FORMAT_JS_IN = git ls-files -z -- '*.js.in'
FORMAT_PY = git ls-files -z -- '*.py'
format:
	@tools/install-deps.sh format
	$(FORMAT_CXX) | xargs -0 -r clang-format -i
	$(FORMAT_JS) | xargs -0 -r clang-format -i
	$(FORMAT_JS_IN) | xargs -0 -r -n 1 sh -c \
		'clang-format --assume-filename=worker.js < "$$0" > "$$0.tmp" && mv "$$0.tmp" "$$0"'
	$(FORMAT_PY) | xargs -0 -r black -q

format-check:
	@tools/install-deps.sh format
	$(FORMAT_CXX) | xargs -0 -r clang-format --dry-run -Werror
	$(FORMAT_JS) | xargs -0 -r clang-format --dry-run -Werror
	$(FORMAT_JS_IN) | xargs -0 -r -n 1 sh -c \
		'clang-format --assume-filename=worker.js < "$$0" | diff -u "$$0" - >&2'
	$(FORMAT_PY) | xargs -0 -r black -q --check --diff
	@echo "format-check: every file is formatted"

clean:
	rm -rf $(BUILD) $(DEV_BUILD) $(BENCH_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD) \
		$(REBUILD_DIR) $(COVERAGE_BUILD) $(WEB_BUILD) build-fresh build-package-check \
		build-target-order
