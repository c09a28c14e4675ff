# Quick start: `make demo` runs TOLM on a bundled example; `make test` runs every test.
BUILD  ?= build
ASAN   ?= build-asan
FUZZ   ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS   ?= $(shell nproc)

.PHONY: all deps build demo test test-plain test-asan test-fuzz check-fresh clean format

all: build

deps:
	./scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-Werror

$(ASAN)/build.ninja: CMakeLists.txt
	cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLM_SANITIZE=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./examples/run-demo.sh $(BUILD)/tolm

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# fontconfig, under cairo's text, keeps a few bytes of its configuration to the end of the
# process: that one leak is suppressed.
test-asan: deps $(ASAN)/build.ninja
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/figures/lsan-fontconfig.supp \
	  ctest --output-on-failure -j $(JOBS)

# A short bounded run of each fuzz target (clang, libFuzzer) from the seed corpus in
# tests/fuzz/corpus/; inputs found on the way are kept in $(FUZZ)/corpus-*, faults in $(FUZZ)/.
$(FUZZ)/build.ninja: CMakeLists.txt tests/fuzz/CMakeLists.txt
	cmake -S . -B $(FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DTOLM_SANITIZE=ON -DTOLM_FUZZ=ON -DTOLM_BUILD_TESTS=OFF

test-fuzz: deps $(FUZZ)/build.ninja
	cmake --build $(FUZZ) -j $(JOBS) --target fuzz_input fuzz_config fuzz_run
	for t in input config run; do \
	  mkdir -p $(FUZZ)/corpus-$$t && \
	  $(FUZZ)/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -timeout=10 \
	    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=$(FUZZ)/ \
	    $(FUZZ)/corpus-$$t tests/fuzz/corpus/$$t 2>$(FUZZ)/fuzz-$$t.log || \
	    { tail -60 $(FUZZ)/fuzz-$$t.log; exit 1; }; \
	  grep -E '^(Done|stat::number_of_executed_units)' $(FUZZ)/fuzz-$$t.log; \
	done

test: test-plain test-asan test-fuzz

# The quick start on a fresh minimal Debian 12 root (debootstrap, chroot; needs root rights):
# scripts/install-deps, make demo and make test in a clone of HEAD. Root kept in $(BUILD)/fresh-root/.
check-fresh:
	BUILD=$(BUILD) ./scripts/check-fresh

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h')

clean:
	rm -rf --one-file-system $(BUILD) $(ASAN) $(FUZZ)
