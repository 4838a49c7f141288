# Front end for the CMake build. `make test` and `make demo` work on a fresh Debian machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 60
# ON makes every compiler warning an error (CI: .ci/run); a build folder switches when it changes.
WERROR     ?= OFF
JOBS       ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
CTEST_FLAGS = --output-on-failure -j $(JOBS) --timeout 300
export QT_QPA_PLATFORM ?= offscreen
# A clean checkout in another folder still hits the compiler cache.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps configure build test test-asan bench fuzz demo demo-server package format format-check clean

all: build

deps:
	@scripts/install-deps.sh

# Configures once; afterwards only a change of WERROR configures the folder again.
define set-werror
	@grep -q '^VANTRELIS_WERROR:BOOL=$(WERROR)$$' $(1)/CMakeCache.txt || cmake $(1) -DVANTRELIS_WERROR=$(WERROR)
endef

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTRELIS_WERROR=$(WERROR)

configure: deps $(BUILD)/build.ninja
	$(call set-werror,$(BUILD))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) $(CTEST_FLAGS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DVANTRELIS_SANITIZE=ON \
	  -DVANTRELIS_WERROR=$(WERROR)

test-asan: deps $(ASAN_BUILD)/build.ninja
	$(call set-werror,$(ASAN_BUILD))
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) $(CTEST_FLAGS)

# Benchmarks that print their figures (not part of the tests); BENCHES names the programs to run and
# BENCH_ARGS what each is given. Then the unattended import on generated libraries of 5,000 and
# 50,000 documents on each engine of BENCH_ENGINES side by side (the same rows as a file and in a
# PostgreSQL database on a private cluster, over a Unix socket), with the SQLite run's statements
# replayed through sqlite3 as the floor (IMPORT_BENCH_ARGS=--quick for the small one only, --full for
# 5,000 and 50,000 paths, --skip to leave it out).
# Then MANY_WRITERS unattended runs at once into the same generated library file, and PG_WRITERS into
# the same library on PostgreSQL (0 leaves them out): the same file each, and the file split by
# client, each beside one run alone.
BENCHES    ?= vantrelis-folder-bench
BENCH_ARGS ?=
IMPORT_BENCH_ARGS ?=
BENCH_ENGINES ?= sqlite,postgresql
MANY_WRITERS ?= 8
PG_WRITERS ?= 4

bench: build
	@for b in $(BENCHES); do echo "== $$b"; $(BUILD)/bin/$$b $(BENCH_ARGS) || exit 1; done
	@if [ "$(IMPORT_BENCH_ARGS)" != "--skip" ]; then echo "== import run"; \
	  scripts/bench.sh $(BUILD) $(IMPORT_BENCH_ARGS) --engines $(BENCH_ENGINES); fi
	@if [ "$(MANY_WRITERS)" != "0" ]; then echo "== many writers"; \
	  bench/many_writers.sh $(BUILD) --bench $(MANY_WRITERS); \
	  bench/many_writers.sh $(BUILD) --split $(MANY_WRITERS); fi
	@if [ "$(PG_WRITERS)" != "0" ]; then echo "== many writers on PostgreSQL"; \
	  bench/many_writers.sh $(BUILD) --bench $(PG_WRITERS) --engine postgresql; \
	  bench/many_writers.sh $(BUILD) --split $(PG_WRITERS) --engine postgresql; fi

# Each libFuzzer target for FUZZ_TIME seconds, from its seed corpus under fuzz/corpus/NAME (clang; not
# part of the tests; no tests built). FUZZ_TARGETS names the ones to run.
FUZZ_TARGETS ?= security_template literal_parameters

$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVANTRELIS_FUZZ=ON -DBUILD_TESTING=OFF -DVANTRELIS_WERROR=$(WERROR)

fuzz: deps $(FUZZ_BUILD)/build.ninja
	$(call set-werror,$(FUZZ_BUILD))
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  echo "== $${t}_fuzz for $(FUZZ_TIME) s"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t && cp -n fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/ && \
	  $(FUZZ_BUILD)/bin/$${t}_fuzz -max_total_time=$(FUZZ_TIME) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

demo: build
	@scripts/demo.sh $(BUILD)

# The same demo with its libraries on a private PostgreSQL cluster that it starts and stops.
demo-server: build
	@scripts/demo-server.sh $(BUILD)

# A Debian package of the program, vantrelis-dm, the readme, the menu entry and the icon.
package: build
	cd $(BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

# Fails, naming the files, when a tracked source file is not formatted as .clang-format says.
format-check:
	@bad=$$(git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run 2>&1 | \
	  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: .*code should be clang-formatted.*/\1/p' | sort -u); \
	if [ -n "$$bad" ]; then echo "Not formatted (make format):"; echo "$$bad"; exit 1; fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
