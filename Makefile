# Thin wrapper over CMake. `make test` and `make run` set up a fresh Debian 12
# machine on their own (scripts/install-deps.sh installs what is missing).
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# Warnings are errors in CI (CI=true), and a choice elsewhere.
WERROR     ?= $(if $(CI),ON,OFF)
CMAKE_ARGS ?=

.PHONY: all build deps test test-asan test-tsan bench fuzz run format format-check clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_WERROR=$(WERROR) $(CMAKE_ARGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

test: deps
	@$(MAKE) --no-print-directory build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
	  -DZV_SANITIZE=address,undefined -DZV_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS)

# ThreadSanitizer run of every test but the two cost bounds, which measure CPU
# time and memory that the sanitizer multiplies, and the two that run on an X
# server of their own, where Qt's xcb plugin reads events on a thread of its
# own that the sanitizer cannot follow; TSAN_TESTS narrows it to a pattern.
# tests/tsan.supp says what is passed over inside Qt.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
	  -DZV_SANITIZE=thread -DZV_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j$(JOBS)
	cd $(TSAN_BUILD) && \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp \
	  ctest --output-on-failure -j$(JOBS) -E 'cost_bound|xdrag|_x11' $(if $(TSAN_TESTS),-R '$(TSAN_TESTS)')

bench: deps
	@$(MAKE) --no-print-directory $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target zv_benchmarks
	@failed=""; for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] || continue; \
	  echo "== $$b"; "$$b" || failed="$$failed $${b##*/}"; done; \
	  if [ -n "$$failed" ]; then echo "bench: missed a target:$$failed"; exit 1; fi

fuzz:
	@bash scripts/install-deps.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target zv_fuzzers
	@bash tests/fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The window needs a desktop session: say so instead of Qt's abort.
run:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set);" \
	    "start it from a desktop session, or under xvfb-run." >&2; exit 1; fi
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build
	./$(BUILD)/app/zandrevik

SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

format:
	clang-format -i $(SOURCES)

format-check:
	clang-format --dry-run -Werror $(SOURCES)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
