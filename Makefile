# Two entry points: `make run` starts Torvane, `make test` runs every test.
# Both install what the machine lacks (scripts/setup-debian.sh) and build first.
# `make install` installs Torvane under PREFIX (DESTDIR stages it elsewhere);
# `make package` builds the Debian package $(BUILD)/torvane_VERSION_ARCH.deb.
# `make windows` cross-builds torvane.exe (64-bit, against the Qt archive in
# ../shared/toolchains, or QT_ARCHIVE=PATH), ostrem.exe and quarvel.exe for
# 64-bit and 32-bit Windows with MinGW-w64; `make windows-installer` builds the
# installer $(WIN64_BUILD)/Torvane-VERSION-setup.exe; `make windows-test` builds
# all of them and runs the Windows tests under Wine, 32-bit ones included.
# `make asan-test` runs every test under AddressSanitizer and
# UndefinedBehaviorSanitizer, `make tsan-test` the tests of the code that runs
# threads under ThreadSanitizer.

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
PREFIX ?= /usr/local
WIN64_BUILD ?= build-win64
WIN32_BUILD ?= build-win32
WINE ?= /usr/lib/wine/wine64
WINE32 ?= /usr/lib/wine/wine
# The Qt for MinGW-w64 archive; empty: the one beside the project
# (../shared/toolchains), as cmake/WindowsQt.cmake says.
QT_ARCHIVE ?=

# TORVANE_WERROR=ON makes the compiler's warnings on the project's own code
# errors, as CI does (`make test TORVANE_WERROR=ON`). Given, it is applied to
# a build folder made before too; not given, a folder keeps what it has.
CMAKE_OPTIONS = $(if $(TORVANE_WERROR),-DTORVANE_WERROR=$(TORVANE_WERROR))
reconfigure = $(if $(CMAKE_OPTIONS),cmake $(CMAKE_OPTIONS) $(1) >/dev/null)

.PHONY: all setup build run test asan-test tsan-test install package windows windows-installer \
	windows-test windows-configure clean

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

# The Windows builds. 64-bit: the window (against the Qt archive), the tools
# and every test that runs there; 32-bit: the tools and the window-free tests
# (the archive holds a 64-bit Qt only). The tests compare the tools and the
# installed window with the Linux build's ($(BUILD)), which also makes the
# README page the Windows program folder takes. The builds are configured at
# every call, so that a folder made with other options takes these.
WINDOWS_CMAKE = -DCMAKE_BUILD_TYPE=Release \
	-DTORVANE_REFERENCE_BIN_DIR=$(abspath $(BUILD))/bin $(CMAKE_OPTIONS)
WIN64_CMAKE = $(WINDOWS_CMAKE) -DTORVANE_BUILD_UI=ON \
	-DTORVANE_README_PAGE=$(abspath $(BUILD))/share/doc/torvane/README.html \
	$(if $(QT_ARCHIVE),-DTORVANE_QT_ARCHIVE=$(abspath $(QT_ARCHIVE)))
WIN32_CMAKE = $(WINDOWS_CMAKE) -DTORVANE_BUILD_UI=OFF

windows-configure: setup $(BUILD)/CMakeCache.txt
	@bash scripts/setup-debian.sh windows
	cmake --build $(BUILD) -j $(JOBS) --target torvane_readme_page
	cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-x86_64.cmake $(WIN64_CMAKE)
	cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-i686.cmake $(WIN32_CMAKE)

windows: windows-configure
	cmake --build $(WIN64_BUILD) -j $(JOBS)
	cmake --build $(WIN32_BUILD) -j $(JOBS)

windows-installer: windows-configure
	cmake --build $(WIN64_BUILD) -j $(JOBS) --target torvane_installer
	@ls -l $(WIN64_BUILD)/Torvane-*-setup.exe

# Each build's Wine prefix lives in its build folder (the 32-bit one a 32-bit
# prefix); it is made once, before the tests run side by side in it. Wine
# gives a console program started in a console of its own (as the console run
# starts a tool) a working console only where it has a display, and the
# installed window runs on Qt's windows platform: hence the virtual display.
# Under a heavy load Wine has once been seen to start that console too late
# for the tool; a test program that fails is run again (three tries), and its
# first failures stay in the log.
windows-test: windows-configure
	cmake --build $(BUILD) -j $(JOBS) --target ostrem quarvel reader_makebig torvane \
		torvane_test_driver
	cmake --build $(WIN64_BUILD) -j $(JOBS) --target all torvane_installer
	cmake --build $(WIN32_BUILD) -j $(JOBS)
	test -d $(WIN64_BUILD)/wine || \
		WINEDEBUG=-all WINEPREFIX=$(abspath $(WIN64_BUILD))/wine $(WINE) wineboot -i
	test -d $(WIN32_BUILD)/wine || \
		WINEDEBUG=-all WINEARCH=win32 WINEPREFIX=$(abspath $(WIN32_BUILD))/wine $(WINE32) wineboot -i
	cd $(WIN64_BUILD) && xvfb-run -a ctest --output-on-failure -j $(JOBS) --repeat until-pass:3
	cd $(WIN32_BUILD) && xvfb-run -a ctest --output-on-failure -j $(JOBS) --repeat until-pass:3

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(WIN64_BUILD) $(WIN32_BUILD)
