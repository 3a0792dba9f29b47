# The two entry points of the README. Each installs what is missing, configures and builds.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test asan package package-check windows-check clean format

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-demo $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package (build/vexa_<version>_amd64.deb), and its check as an installation
# sees it.
package: build
	rm -f $(BUILD)/vexa_*.deb
	cd $(BUILD) && cpack -G DEB

package-check: package
	scripts/check-package $$(ls $(BUILD)/vexa_*.deb | head -n 1)

# The plain C++ layers cross-built for Windows with mingw-w64, their tests run under Wine.
windows-check:
	scripts/windows-check

# The plain C++ layers with address and undefined-behaviour sanitizers.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXA_SANITIZE=ON -DVEXA_BUILD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L plain

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-windows
