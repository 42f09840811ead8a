# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The whole set-up on a fresh Debian 12 machine:
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run every test
#   make package  the same set-up, then build the Debian package in $(BUILD_DIR)/
#   make test-asan  build with AddressSanitizer and UndefinedBehaviorSanitizer
#               in $(ASAN_DIR)/ and run every test there
#   make fuzz   build the libFuzzer targets with clang in $(FUZZ_DIR)/ and
#               run each for $(FUZZ_SECONDS) seconds

BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

# Leaks inside the system libraries the program loads are suppressed by
# tests/lsan.supp; a leak in the program's own code fails the test.
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_init_order=1:detect_stack_use_after_return=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build run test package clean test-asan fuzz

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	./$(BUILD_DIR)/bin/ginrei-karuta

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)

package: build
	cmake --build $(BUILD_DIR) --target package

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DGINREI_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR) -j$(JOBS)
	$(ASAN_ENV) ctest --test-dir $(ASAN_DIR) --output-on-failure -j$(JOBS)

fuzz: deps
	./scripts/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++-14 -DGINREI_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) --target fuzzers -j$(JOBS)
	./scripts/run-fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
