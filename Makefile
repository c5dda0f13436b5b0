# Orbmeter: `make run` builds and starts the monitor, `make test` runs the whole suite.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Labels left out of `make test`, as one regular expression: ctest reads only one -LE.
EXCLUDE_LABELS ?= desktop
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test test-desktops test-asan test-tsan bench fuzz clean

all: build

deps:
	@./tools/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/orbmeter $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE '$(EXCLUDE_LABELS)' $(CTEST_ARGS)

# Orbmeter in the trays of real desktops (Xfce, LXQt, KDE Plasma, waybar under sway, GNOME
# Shell), installed first; screenshots land in $(BUILD)/e2e-artifacts/. One desktop at a time.
test-desktops: build
	./tools/install-deps.sh --desktops
	cd $(BUILD) && ORB_DESKTOP_TESTS=1 ctest --output-on-failure -L desktop $(CTEST_ARGS)

test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_ARGS="-DORB_SANITIZE=address -DCMAKE_BUILD_TYPE=Debug" \
	  EXCLUDE_LABELS='desktop|e2e'

# Qt and GLib are not instrumented: Qt's own event dispatcher, and the calls made from inside
# those libraries are not reported (tests/tsan.supp says why).
test-tsan:
	QT_NO_GLIB=1 TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp second_deadlock_stack=1 die_after_fork=0" \
	$(MAKE) test BUILD=build-tsan CMAKE_ARGS="-DORB_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug" \
	  EXCLUDE_LABELS='desktop|e2e'

bench:
	$(MAKE) build BUILD=build-release CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release"
	./bench/run.sh build-release
	./bench/whole-process.sh build-release
	./tools/install-deps.sh --bench
	./bench/side-by-side.sh build-release
	ALL_MODULES=1 EVERY_SECOND=1 ./bench/instructions.sh build-release

# libFuzzer targets (clang), each run FUZZ_SECONDS with the fixtures as seed corpus;
# FUZZ_TARGETS="fuzz_plist ..." picks some. Findings land in build-fuzz/findings/.
fuzz:
	$(MAKE) configure BUILD=build-fuzz CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++ -DORB_SANITIZE=fuzzer -DCMAKE_BUILD_TYPE=RelWithDebInfo"
	cmake --build build-fuzz -j $(JOBS) --target orbfuzzers
	./fuzz/run.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf build build-asan build-tsan build-release build-fuzz
