# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench clean

deps:
	@sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: build
	cd examples && ../$(BUILD)/src/app/marbleset

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DMARBLESET_BUILD_BENCH=ON -DMARBLESET_BUILD_TESTS=OFF -DMARBLESET_BUILD_SHELL=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	@for b in $(BUILD)-bench/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

.PHONY: package
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-*

# Reliability: the readers under libFuzzer, and the whole test suite under ASan and UBSan.
# `make fuzz` is the long run for people (FUZZ_SECONDS per target); `make fuzz-smoke` is the
# short one CI runs. New inputs found are kept in $(BUILD)-fuzz/corpus, crashes in
# $(BUILD)-fuzz/findings.
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 12
FUZZ_TARGETS = phylip_binary phylip_quant ntsys_binary ntsys_quant multi_set
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

.PHONY: fuzz-build fuzz fuzz-smoke test-sanitize

fuzz-build: deps
	cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
	  -DMARBLESET_BUILD_FUZZ=ON -DMARBLESET_BUILD_TESTS=OFF -DMARBLESET_BUILD_SHELL=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS))

fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  sh fuzz/run-fuzzer.sh $(BUILD)-fuzz $$t $(FUZZ_SECONDS) || exit 1; done

fuzz-smoke: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  sh fuzz/run-fuzzer.sh $(BUILD)-fuzz $$t $(FUZZ_SMOKE_SECONDS) || exit 1; done

# Release-like optimisation keeps the full-capacity test inside its minute under ASan.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" $(CMAKE_FLAGS)
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/reliability/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(BUILD)-sanitize --output-on-failure -j $(JOBS)
