# The two commands: `make demo` runs the view on the built-in demo
# enterprise; `make test` builds from scratch and runs every test, also under
# the address and undefined-behaviour sanitizers and as 32-bit programs, and
# the tests of what runs on several threads under the thread sanitizer (the
# default build also cross-builds ZRX.dll and checks its tables), and fuzzes
# each fuzz target for FUZZ_SECONDS seconds after replaying its corpus.
# The 32-bit programs run natively where the kernel runs them, otherwise
# through qemu-i386; ZRX_I686_RUNNER=native or =qemu-i386 forces either.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Five targets at 48 s: the fuzz step of `make test` takes 4 minutes.
FUZZ_SECONDS ?= 24
FUZZ_RUNS ?= 1000000
PREFIX ?= /usr/local
ZRX_I686_RUNNER ?=

.PHONY: all deps build demo install test test-default test-fuzz fuzz-long test-sanitize test-tsan configure-i686 test-i686 bench regenerate-golden clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# Only the command, the module and the platform libraries it loads.
demo: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target mentrenq ZRX
	@echo "== mentrenq tree (who blocks whom)"
	@build/default/bin/mentrenq tree
	@echo
	@echo "== mentrenq query --report"
	@build/default/bin/mentrenq query --report

# mentrenq, ZRX.so, the platform libraries and the man page, under PREFIX.
install: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target mentrenq ZRX mentrenq-man
	cmake --install build/default --prefix $(PREFIX)

test: deps
	rm -rf build/default build/sanitize build/tsan build/i686 build/fuzz
	$(MAKE) configure-i686 test-default test-fuzz test-i686 test-sanitize test-tsan

test-default:
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)

test-fuzz:
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) scripts/fuzz.sh

# Not part of `make test`: FUZZ_RUNS executions of each target, built
# without the sanitizers and run on JOBS cores at the lowest priority, one
# target at a time; fuzz/corpus/ then holds the minimal merge of its inputs
# and the new ones, replayed under the sanitizers like any crash found.
# FUZZ_TARGETS="query_rows ..." picks targets. What else a run makes stays in
# build/fuzz-fast/ (corpus/, artifacts/, logs/).
fuzz-long:
	FUZZ_RUNS=$(FUZZ_RUNS) FUZZ_FAST=1 FUZZ_MERGE=1 JOBS=$(JOBS) nice -n 19 scripts/fuzz.sh $(FUZZ_TARGETS)

test-sanitize:
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# Only what runs on several threads at once, under the thread sanitizer:
# the module's static library, the host and the picture, with the picture's
# and the host's tests.
test-tsan:
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# Configured first by `make test`, so that a machine that can run 32-bit
# programs neither way says so at once.
configure-i686:
	cmake --preset i686 -DZRX_I686_RUNNER=$(ZRX_I686_RUNNER)

test-i686: configure-i686
	cmake --build --preset i686 -j $(JOBS)
	ctest --preset i686 -j $(JOBS)

# Copies what the module now does over the expected file of every
# end-to-end case that differs; the cases fail in this run as in any other.
# Check each rewritten file by hand (git diff tests/e2e/expected) before
# committing it.
regenerate-golden: build
	rm -rf build/default/e2e-actual
	-ZRX_E2E_ACTUAL_DIR=$(CURDIR)/build/default/e2e-actual build/default/bin/test_e2e --gtest_brief=1 >/dev/null
	@if [ -d build/default/e2e-actual ]; then cp -v build/default/e2e-actual/*.txt tests/e2e/expected/; \
	else echo "every expected file matches"; fi

bench: build
	build/default/bin/mentrenq-bench
	build/default/bin/mentrenq-bench --shell-comparison
	build/default/bin/mentrenq-serve-bench

clean:
	rm -rf build
