# make        installs what is missing, builds both builds and plays the demo scene
# make test   builds and runs every test
SHELL := /bin/bash
JOBS ?= $(shell nproc)
APT_PACKAGES := cmake ninja-build g++ pkg-config g++-mingw-w64-i686 binutils-mingw-w64-i686 \
                libgtest-dev libbenchmark-dev libunicorn-dev clang libclang-rt-14-dev
WIN32_DIR := build/win32
NATIVE_DIR := build/native

.PHONY: all deps win32 native demo test clean

all: deps win32 native demo

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

demo: win32 native
	@if [ -x $(NATIVE_DIR)/kinemo-host ]; then \
	  $(NATIVE_DIR)/kinemo-host run --module $(WIN32_DIR)/kinemo.qlm --svg build/demo.svg && \
	  echo "Demo scene drawn to build/demo.svg"; \
	fi

test: win32 native
	cd $(NATIVE_DIR) && ctest --output-on-failure

clean:
	rm -rf build
