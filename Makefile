# Two entry points: `make run` starts Torvane, `make test` runs every test.
# Both install what the machine lacks (scripts/setup-debian.sh) and build first.
# `make install` installs Torvane under PREFIX (DESTDIR stages it elsewhere);
# `make package` builds the Debian package $(BUILD)/torvane_VERSION_ARCH.deb.

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
PREFIX ?= /usr/local

.PHONY: all setup build run test asan-test install package clean

all: build

setup:
	@bash scripts/setup-debian.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: setup $(BUILD)/CMakeCache.txt
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
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTORVANE_SANITIZE=ON

asan-test: setup $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
