# The two set-up commands: `make run` and `make test`. Each installs what it needs first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
MAKEFLAGS += --no-print-directory

.PHONY: deps-run deps-test deps-bench deps-dev configure build test run bench walk clean

deps-run:
	@sh scripts/install-deps.sh run
deps-test:
	@sh scripts/install-deps.sh test
deps-bench:
	@sh scripts/install-deps.sh bench
deps-dev:
	@sh scripts/install-deps.sh dev

configure:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release --log-level=WARNING $(CMAKE_FLAGS) >/dev/null

# Quiet when all goes well: the compiler's warnings are shown, the whole log only on failure.
build: configure
	@echo "Building in $(BUILD)"
	@cmake --build $(BUILD) -j $(JOBS) >$(BUILD)/build.log 2>&1 || { cat $(BUILD)/build.log; exit 1; }
	@grep -E -A3 'warning:' $(BUILD)/build.log || true

test: deps-test
	@$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DMARBLESET_BUILD_TESTS=ON"
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: deps-run
	@$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DMARBLESET_BUILD_TESTS=OFF"
	cd examples && ../$(BUILD)/src/app/marbleset

bench: deps-bench
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DMARBLESET_BUILD_BENCH=ON -DMARBLESET_BUILD_TESTS=OFF -DMARBLESET_BUILD_SHELL=OFF >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS) >$(BUILD)-bench.log 2>&1 || { cat $(BUILD)-bench.log; exit 1; }
	@for b in $(BUILD)-bench/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

# Whole read and distance commands of this tree against those of the commit BASE (any git
# revision), built side by side in Release and run alternately: `make bench-against BASE=v1.2`.
BASE ?= HEAD~1
.PHONY: bench-against
bench-against: deps-bench
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DMARBLESET_BUILD_BENCH=ON -DMARBLESET_BUILD_TESTS=OFF -DMARBLESET_BUILD_SHELL=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS) --target marbleset-cli >$(BUILD)-bench.log 2>&1 || { cat $(BUILD)-bench.log; exit 1; }
	@rm -rf $(BUILD)-base && git worktree prune && git worktree add -q --detach $(BUILD)-base $(BASE)
	@cmake -S $(BUILD)-base -B $(BUILD)-base/build -DCMAKE_BUILD_TYPE=Release -DMARBLESET_BUILD_TESTS=OFF -DMARBLESET_BUILD_SHELL=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-base/build -j $(JOBS) --target marbleset-cli >$(BUILD)-base.log 2>&1 || { cat $(BUILD)-base.log; exit 1; }
	@python3 bench/against_commit.py $(BUILD)-base/build/src/cli/marbleset-cli $(BUILD)-bench/src/cli/marbleset-cli
	@git worktree remove --force $(BUILD)-base

# The README's walk from an example file to a consensus tree, run twice in one scratch folder:
# both runs must end in the same tree.
walk: deps-test
	@$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DMARBLESET_BUILD_TESTS=OFF"
	@rm -rf $(BUILD)/walk
	@sh examples/walk.sh $(CURDIR)/$(BUILD)/src/cli/marbleset-cli $(BUILD)/walk >$(BUILD)/walk-1.log
	@sh examples/walk.sh $(CURDIR)/$(BUILD)/src/cli/marbleset-cli $(BUILD)/walk >$(BUILD)/walk-2.log
	@cmp -s $(BUILD)/walk-1.log $(BUILD)/walk-2.log || { echo "The second walk gave another tree"; diff $(BUILD)/walk-1.log $(BUILD)/walk-2.log; exit 1; }
	@grep -q "out of 100.00 trees" $(BUILD)/walk/outfile || { echo "consense did not read 100 trees"; exit 1; }
	@cat $(BUILD)/walk-2.log

.PHONY: package
package: deps-dev
	@$(MAKE) build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-*

# Reliability: the readers under libFuzzer, and the whole test suite under ASan and UBSan, and
# the concurrent code under ThreadSanitizer.
# `make fuzz` is the long run for people (FUZZ_SECONDS per target); `make fuzz-smoke` is the
# short one CI runs. New inputs found are kept in $(BUILD)-fuzz/corpus, crashes in
# $(BUILD)-fuzz/findings.
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 12
FUZZ_TARGETS = phylip_binary phylip_quant ntsys_binary ntsys_quant multi_set delimited nexus vcf \
  newick names_table distance_file
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

.PHONY: fuzz-build fuzz fuzz-smoke test-sanitize test-thread

fuzz-build: deps-dev
	@cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
	  -DMARBLESET_BUILD_FUZZ=ON -DMARBLESET_BUILD_TESTS=OFF -DMARBLESET_BUILD_SHELL=OFF >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS)) >$(BUILD)-fuzz.log 2>&1 || { cat $(BUILD)-fuzz.log; exit 1; }

fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  sh fuzz/run-fuzzer.sh $(BUILD)-fuzz $$t $(FUZZ_SECONDS) || exit 1; done

fuzz-smoke: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  sh fuzz/run-fuzzer.sh $(BUILD)-fuzz $$t $(FUZZ_SMOKE_SECONDS) || exit 1; done

# Release-like optimisation keeps the largest tests quick under ASan.
test-sanitize: deps-test
	@cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-sanitize -j $(JOBS) >$(BUILD)-sanitize.log 2>&1 || { cat $(BUILD)-sanitize.log; exit 1; }
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/reliability/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(BUILD)-sanitize --output-on-failure -j $(JOBS) -LE package

# The tests of the code that runs on several threads: the distance passes, the generators'
# cancel, the tree replicates and the desktop program's worker runs.
THREAD_TARGETS = distances_tests resampling_tests trees_tests run_dialog_tests shell_formats_tests tree_shell_tests
THREAD_TESTS = FastPass|MatrixPass|DistanceRun|DistanceMatrix|Generators|SupportRun|RunDialogTest|FormatsTest|TreeTest
test-thread: deps-test
	@cmake -S . -B $(BUILD)-thread -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
	  $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-thread -j $(JOBS) --target $(THREAD_TARGETS) >$(BUILD)-thread.log 2>&1 || { cat $(BUILD)-thread.log; exit 1; }
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/shell/tsan.supp \
	  ctest --test-dir $(BUILD)-thread --output-on-failure -j $(JOBS) -R '$(THREAD_TESTS)'

# Windows: marbleset-cli.exe and the core's test programs, cross-built with mingw-w64 (without
# htslib, so without VCF/BCF input), and run under wine. test-windows runs the tests and the
# README walk's commands there and compares the walk's outputs with the Linux build's, byte for
# byte; package-windows zips the tool with the examples and the manual as HTML.
WINDOWS_BUILD = $(BUILD)-windows
# The core's and the command-line tool's test programs that run there; the tests in them that
# need a peer program or POSIX are left out by name (tests/windows/excluded_tests.cmake).
WINDOWS_TESTS = platform_tests dataset_tests editing_tests resampling_tests formats_tests \
  format_faults_tests distances_tests trees_tests tree_command_tests neighbor_net_tests \
  pictures_tests picture_command_tests provenance_tests cluster_tests cli_tests \
  analyses_command_tests windows_tests
# The Linux tool the walk is compared with: the main build's when there is one.
WINDOWS_HOST = $(if $(wildcard $(BUILD)/CMakeCache.txt),$(BUILD),$(BUILD)-windows-host)
# wine's own folder, made once (its first start takes a while); no dialogs, no noise.
WINE_ENV = env LC_ALL=C.UTF-8 WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# wine's server and services started apart from the tests (a server already running is kept),
# which CTest would otherwise wait for as if the first test had not ended; stopped at the end.
WINE_START = { $(WINE_ENV) wineserver -p 30 || true; } >/dev/null 2>&1 </dev/null; \
  $(WINE_ENV) wine cmd /c exit >/dev/null 2>&1 </dev/null
WINDOWS_ZIP = $(WINDOWS_BUILD)/marbleset-$(shell sed -n 's/^project.Marbleset VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-windows-x64.zip

.PHONY: deps-windows windows test-windows package-windows
deps-windows:
	@sh scripts/install-deps.sh windows

windows: deps-windows
	@cmake -S . -B $(WINDOWS_BUILD) --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DMARBLESET_BUILD_SHELL=OFF -DMARBLESET_WITH_HTSLIB=OFF \
	  -DMARBLESET_BUILD_TESTS=ON $(CMAKE_FLAGS) >/dev/null
	@echo "Building for Windows in $(WINDOWS_BUILD)"
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target marbleset-cli $(WINDOWS_TESTS) >$(WINDOWS_BUILD).log 2>&1 || { cat $(WINDOWS_BUILD).log; exit 1; }
	@grep -E -A3 'warning:' $(WINDOWS_BUILD).log || true

test-windows: windows
	@test -f $(WINDOWS_HOST)/CMakeCache.txt || cmake -S . -B $(WINDOWS_HOST) -DCMAKE_BUILD_TYPE=Release \
	  -DMARBLESET_BUILD_SHELL=OFF -DMARBLESET_BUILD_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WINDOWS_HOST) -j $(JOBS) --target marbleset-cli >$(WINDOWS_HOST)-cli.log 2>&1 || { cat $(WINDOWS_HOST)-cli.log; exit 1; }
	@test -d $(WINDOWS_BUILD)/wine || { echo "Preparing wine (once)"; $(WINE_ENV) wineboot -i >/dev/null 2>&1; }
	@$(WINE_START)
	$(WINE_ENV) ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) \
	  -R '^($(subst $(eval) ,|,$(strip $(WINDOWS_TESTS))))$$'
	$(WINE_ENV) sh tests/windows/compare_walk.sh $(CURDIR)/$(WINDOWS_HOST)/src/cli/marbleset-cli \
	  $(CURDIR)/$(WINDOWS_BUILD)/src/cli/marbleset-cli.exe
	@$(WINE_ENV) wineserver -k 2>/dev/null || true

package-windows: windows
	@rm -rf $(WINDOWS_BUILD)/package && mkdir -p $(WINDOWS_BUILD)/package/marbleset/manual
	@cp $(WINDOWS_BUILD)/src/cli/marbleset-cli.exe packaging/README-Windows.txt $(WINDOWS_BUILD)/package/marbleset/
	@cp -r examples $(WINDOWS_BUILD)/package/marbleset/examples
	@groff -mandoc -Thtml docs/marbleset-cli.1 >$(WINDOWS_BUILD)/package/marbleset/manual/marbleset-cli.html
	@rm -f $(WINDOWS_ZIP)
	@cd $(WINDOWS_BUILD)/package && zip -q -r -X $(CURDIR)/$(WINDOWS_ZIP) marbleset
	@echo "Wrote $(WINDOWS_ZIP)"
