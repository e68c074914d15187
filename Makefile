# The two commands a new user runs: `make test` and `make demo`.
.PHONY: test demo bench setup-all setup-native build-linux build-asan build-windows

test: setup-all build-linux build-asan build-windows
	ctest --preset linux
	ctest --preset asan
	ctest --preset windows

demo: setup-native
	cmake --preset linux >/dev/null
	cmake --build --preset linux --target pellucid pellucid-host
	build/linux/bin/pellucid-host

bench: setup-all
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	build/bench/bin/slot_bench

setup-all:
	@tools/setup.sh all

setup-native:
	@tools/setup.sh native

build-linux:
	cmake --preset linux >/dev/null
	cmake --build --preset linux

build-asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan

build-windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows
