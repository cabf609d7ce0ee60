# Two entry points: `make run` starts Torvane, `make test` runs every test.
# Both install what the machine lacks (scripts/setup-debian.sh) and build first.
# `make install` installs Torvane under PREFIX (DESTDIR stages it elsewhere);
# `make package` builds the Debian package $(BUILD)/torvane_VERSION_ARCH.deb.
# `make windows` cross-builds ostrem.exe, quarvel.exe and the window-free tests
# for 64-bit and 32-bit Windows with MinGW-w64; `make windows-test` builds the
# 64-bit ones and runs the tests under Wine. `make asan-test` runs every test
# under AddressSanitizer and UndefinedBehaviorSanitizer, `make tsan-test` the
# tests of the code that runs threads under ThreadSanitizer.

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
PREFIX ?= /usr/local
WIN64_BUILD ?= build-win64
WIN32_BUILD ?= build-win32
WINE ?= /usr/lib/wine/wine64

# TORVANE_WERROR=ON makes the compiler's warnings on the project's own code
# errors, as CI does (`make test TORVANE_WERROR=ON`). Given, it is applied to
# a build folder made before too; not given, a folder keeps what it has.
CMAKE_OPTIONS = $(if $(TORVANE_WERROR),-DTORVANE_WERROR=$(TORVANE_WERROR))
reconfigure = $(if $(CMAKE_OPTIONS),cmake $(CMAKE_OPTIONS) $(1) >/dev/null)

.PHONY: all setup build run test asan-test tsan-test install package windows windows-test clean

all: build

setup:
	@bash scripts/setup-debian.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPTIONS)

build: setup $(BUILD)/CMakeCache.txt
	$(call reconfigure,$(BUILD))
	cmake --build $(BUILD) -j $(JOBS)

# The window keeps its settings file in the folder it starts from.
run: build
	cd $(BUILD)/bin && ./torvane

# The tests build the package themselves (into a folder of their own) and
# read it back; `make package` is the one a user installs.
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX) --strip

package: build
	cd $(BUILD) && cpack -G DEB

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTORVANE_SANITIZE=ON $(CMAKE_OPTIONS)

asan-test: setup $(ASAN_BUILD)/CMakeCache.txt
	$(call reconfigure,$(ASAN_BUILD))
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The code that runs threads, under ThreadSanitizer: the batch run and the
# captured runs side by side (process_tests), and quarvel's pass with its CRC
# thread (tracks_synthetic_tests), in a build of only what they need. The
# window's own threads are left out: Qt's locks, not built for the sanitizer,
# are invisible to it, and every hand-over through them would be reported.
# GCC 12 warns falsely (stringop-overflow) in code built for it, so its
# warnings stay warnings here; and its shadow memory cannot be mapped where the
# kernel spreads addresses over more bits than it knows, hence setarch -R.
TSAN_BUILD ?= build-tsan
TSAN_TARGETS = process_tests torvane_test_child quarvel tracks_synthetic_tests

$(TSAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_THREAD_SANITIZER=ON \
		-DTORVANE_BUILD_UI=OFF

tsan-test: setup $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSAN_BUILD) && setarch -R ctest --output-on-failure -j $(JOBS) -L threads

# The Windows builds: the tools and the window-free tests, statically linked.
# The 64-bit test run compares the tools with the Linux build's ($(BUILD)).
WINDOWS_CMAKE = -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_UI=OFF \
	-DTORVANE_REFERENCE_BIN_DIR=$(abspath $(BUILD))/bin $(CMAKE_OPTIONS)

$(WIN64_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-x86_64.cmake $(WINDOWS_CMAKE)

$(WIN32_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-i686.cmake $(WINDOWS_CMAKE)

windows:
	@bash scripts/setup-debian.sh windows i686
	$(MAKE) $(WIN64_BUILD)/CMakeCache.txt $(WIN32_BUILD)/CMakeCache.txt
	cmake --build $(WIN64_BUILD) -j $(JOBS)
	cmake --build $(WIN32_BUILD) -j $(JOBS)

# The Wine prefix lives in the build folder; it is made once, before the tests
# run side by side in it. Wine gives a console program started in a console of
# its own (as the console run starts a tool) a working console only where it
# has a display, hence the virtual one. Under a heavy load Wine has once been
# seen to start that console too late for the tool; a test program that fails
# is run a second time, and its first failure stays in the log.
windows-test: setup $(BUILD)/CMakeCache.txt
	@bash scripts/setup-debian.sh windows
	$(MAKE) $(WIN64_BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target ostrem quarvel reader_makebig
	$(call reconfigure,$(WIN64_BUILD))
	cmake --build $(WIN64_BUILD) -j $(JOBS)
	test -d $(WIN64_BUILD)/wine || \
		WINEDEBUG=-all WINEPREFIX=$(abspath $(WIN64_BUILD))/wine $(WINE) wineboot -i
	cd $(WIN64_BUILD) && xvfb-run -a ctest --output-on-failure -j $(JOBS) --repeat until-pass:3

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(WIN64_BUILD) $(WIN32_BUILD)
