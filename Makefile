# make        installs what is missing, builds both builds and plays the demo scene
# make test   builds and runs every test, the sanitizer build and a short run of each fuzzer
# make bench  runs the benchmarks and prints each figure as a ratio to the sin/cos floor
# make fuzz   runs each fuzzer for longer (FUZZ_LONG_SECONDS each)
# make coverage  line coverage of src/ by the native test suite
# make playground  writes build/playground.html: the scene editor and replay view in one offline page
# make dist   the Windows release: build/dist/kinemo-VERSION-windows.zip (VERSION from the file VERSION)
SHELL := /bin/bash
JOBS ?= $(shell nproc)
APT_PACKAGES := cmake ninja-build g++ pkg-config g++-mingw-w64-i686 binutils-mingw-w64-i686 \
                libgtest-dev libbenchmark-dev libunicorn-dev clang libclang-rt-14-dev chromium emscripten \
                g++-mingw-w64-x86-64 wine64 xvfb
WIN32_DIR := build/win32
NATIVE_DIR := build/native
WIN64_DIR := build/win64
WASM_DIR := build/wasm
ASAN_DIR := build/asan
FUZZ_DIR := build/fuzz
BENCH_DIR := build/bench
COVERAGE_DIR := build/coverage
FUZZERS := routines text scene pe
FUZZ_SECONDS ?= 20
FUZZ_LONG_SECONDS ?= 600
VERSION := $(shell cat VERSION)
DIST_DIR := build/dist
DIST_ZIP := $(DIST_DIR)/kinemo-$(VERSION)-windows.zip
# The i686 kinemo-host.exe, which ships beside the DLL.
DIST_HOST_EXE := $(WIN32_DIR)/kinemo-host.exe
REPRO_DIR := build/repro
SANITIZER_ENV := ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps win32 native win64 win64-test wasm playground demo test asan-test fuzz-build fuzz-smoke fuzz bench coverage dist repro-check clean

all: deps win32 native win64 wasm demo

deps:
	@missing=$$(for p in $(APT_PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:" $$missing; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Run as root:"; \
	    echo "  apt-get install -y" $$missing; exit 1; \
	  fi; \
	fi

win32: deps
	cmake -S . -B $(WIN32_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN32_DIR) -j $(JOBS)

native: deps
	cmake -S . -B $(NATIVE_DIR) -G Ninja
	cmake --build $(NATIVE_DIR) -j $(JOBS)

# The module and kinemo-host for node and the browser (emscripten's optimizer
# needs Debian's acorn from NODE_PATH; its library cache is Debian's, prebuilt).
wasm: deps
	NODE_PATH=/usr/share/nodejs EM_FROZEN_CACHE=1 cmake -S . -B $(WASM_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
	NODE_PATH=/usr/share/nodejs EM_FROZEN_CACHE=1 cmake --build $(WASM_DIR) -j $(JOBS)

# One self-contained page: the scene editor and the replay view on the module in WebAssembly.
playground: wasm
	python3 tools/playground/assemble.py $(WASM_DIR) . build/playground.html

# The module for 64-bit Windows with its real Windows half, tested under Wine.
win64: deps
	cmake -S . -B $(WIN64_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN64_DIR) -j $(JOBS)

# One wineserver for the whole run, in the build's own prefix, ended by its id;
# one virtual display (Xvfb) for the windows some tests open.
win64-test: win64 native
	xvfb-run -a env KINEMO_VIRTUAL_DISPLAY=1 cmake/wine-session.sh $(CURDIR)/$(WIN64_DIR)/wine-run.sh $(CURDIR)/$(WIN64_DIR)/wineprefix sh -c 'cd $(WIN64_DIR) && ctest --output-on-failure'
	@grep -a -h "platform conformance:" $(NATIVE_DIR)/Testing/Temporary/LastTest.log $(WIN64_DIR)/Testing/Temporary/LastTest.log | sed 's/^/  /'

demo: win32 native
	@if [ -x $(NATIVE_DIR)/kinemo-host ]; then \
	  $(NATIVE_DIR)/kinemo-host run --module $(WIN32_DIR)/kinemo.qlm --svg build/demo.svg && \
	  echo "Demo scene drawn to build/demo.svg"; \
	fi

test: win32 native wasm playground
	cd $(NATIVE_DIR) && ctest --output-on-failure
	@$(MAKE) --no-print-directory repro-check
	@$(MAKE) --no-print-directory win64-test
	@$(MAKE) --no-print-directory asan-test
	@$(MAKE) --no-print-directory fuzz-smoke

# The guide's event reference is read from the DLL that ships.
dist: win32 native
	@mkdir -p $(DIST_DIR)
	$(NATIVE_DIR)/kinemo-host describe --module $(WIN32_DIR)/kinemo.qlm > $(DIST_DIR)/events.md
	python3 tools/dist/make_dist.py --version-file VERSION --dll $(WIN32_DIR)/kinemo.qlm --events $(DIST_DIR)/events.md \
	  --out-dir $(DIST_DIR) $(if $(DIST_HOST_EXE),--host-exe $(DIST_HOST_EXE))
	cd $(DIST_DIR) && cat $(notdir $(DIST_ZIP)).sha256

# Reproducible builds: the DLL and kinemo-host.exe again from a copy of the
# tree in another folder, at another time, without ccache, and the release
# again from them and from freshly touched files; all must equal the first,
# byte for byte.
repro-check: dist
	rm -rf $(REPRO_DIR) && mkdir -p $(REPRO_DIR)/tree
	git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xmf - -C $(REPRO_DIR)/tree
	cd $(REPRO_DIR)/tree && CCACHE_DISABLE=1 cmake -S . -B $(WIN32_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release > /dev/null && CCACHE_DISABLE=1 cmake --build $(WIN32_DIR) -j $(JOBS) --target kinemo \
	  $(if $(DIST_HOST_EXE),$(basename $(notdir $(DIST_HOST_EXE)))) > /dev/null
	cmp $(WIN32_DIR)/kinemo.qlm $(REPRO_DIR)/tree/$(WIN32_DIR)/kinemo.qlm
	$(if $(DIST_HOST_EXE),cmp $(DIST_HOST_EXE) $(REPRO_DIR)/tree/$(DIST_HOST_EXE))
	$(NATIVE_DIR)/kinemo-host describe --module $(REPRO_DIR)/tree/$(WIN32_DIR)/kinemo.qlm > $(REPRO_DIR)/events.md
	cd $(REPRO_DIR)/tree && python3 tools/dist/make_dist.py --version-file VERSION --dll $(WIN32_DIR)/kinemo.qlm \
	  --events ../events.md --out-dir ../dist $(if $(DIST_HOST_EXE),--host-exe $(DIST_HOST_EXE)) > /dev/null
	cmp $(DIST_ZIP) $(REPRO_DIR)/dist/$(notdir $(DIST_ZIP))
	cd $(REPRO_DIR) && python3 -m zipfile -e dist/$(notdir $(DIST_ZIP)) unpacked && \
	  cd unpacked/kinemo-$(VERSION) && sha256sum --check --quiet SHA256SUMS
	@echo "Reproducible: kinemo.qlm, $(notdir $(DIST_HOST_EXE)) and $(notdir $(DIST_ZIP)) built again in $(REPRO_DIR) are the same bytes; SHA256SUMS checks"

# The whole native test suite again under AddressSanitizer + UndefinedBehaviorSanitizer.
asan-test: deps win32
	cmake -S . -B $(ASAN_DIR) -G Ninja -DKINEMO_SANITIZE=ON -DKINEMO_DLL=$(CURDIR)/$(WIN32_DIR)/kinemo.qlm
	cmake --build $(ASAN_DIR) -j $(JOBS) --target kinemo_tests
	$(SANITIZER_ENV) $(ASAN_DIR)/kinemo_tests

# Unoptimised so that every line maps to code; counts start from zero each run.
coverage: deps win32
	cmake -S . -B $(COVERAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=--coverage -O0" -DKINEMO_DLL=$(CURDIR)/$(WIN32_DIR)/kinemo.qlm
	cmake --build $(COVERAGE_DIR) -j $(JOBS) --target kinemo_tests kinemo-host
	find $(COVERAGE_DIR) -name '*.gcda' -delete
	cd $(COVERAGE_DIR) && ctest --output-on-failure
	python3 tools/coverage.py $(COVERAGE_DIR) .

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DKINEMO_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZERS))

# New inputs go to build/fuzz/corpus/NAME; the committed seeds in fuzz/corpus/NAME
# are only read. A failing input is kept as build/fuzz/artifacts/NAME-crash-*.
# The PE fuzzer's inputs are whole module files, so it takes longer ones.
define run-fuzzers
	@mkdir -p $(FUZZ_DIR)/artifacts
	@for f in $(FUZZERS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$f; \
	  echo "fuzz_$$f: $(1) s"; \
	  maxlen=4096; [ $$f = pe ] && maxlen=65536; \
	  $(SANITIZER_ENV) $(FUZZ_DIR)/fuzz_$$f -max_total_time=$(1) -timeout=30 -max_len=$$maxlen -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_DIR)/artifacts/$$f- $(FUZZ_DIR)/corpus/$$f fuzz/corpus/$$f > $(FUZZ_DIR)/$$f.log 2>&1 \
	    || { tail -n 60 $(FUZZ_DIR)/$$f.log; echo "fuzz_$$f FAILED (log: $(FUZZ_DIR)/$$f.log)"; exit 1; }; \
	  grep -E '^stat::number_of_executed_units|^Done' $(FUZZ_DIR)/$$f.log; \
	done
endef

fuzz-smoke: fuzz-build
	$(call run-fuzzers,$(FUZZ_SECONDS))

fuzz: fuzz-build
	$(call run-fuzzers,$(FUZZ_LONG_SECONDS))

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BENCH_DIR) -j $(JOBS) --target kinemo_bench
	$(BENCH_DIR)/kinemo_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

clean:
	rm -rf build
