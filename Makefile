# Entry points; everything else lives in tools/ and the CMake presets.
.PHONY: test run dist benchmark clean

# Installs what is missing, builds both configurations and runs every test.
test:
	tools/run-tests

# Builds the program and starts it under Wine on a Wine desktop.
run:
	tools/run-program

# The finished program for Windows users: dist/QuorvantaMessenger.exe.
dist:
	tools/install-deps
	cmake --preset win32 >/dev/null
	cmake --build build/win32 -j $$(nproc) --target QuorvantaMessenger
	mkdir -p dist
	cp build/win32/bin/QuorvantaMessenger.exe dist/
	@echo "dist/QuorvantaMessenger.exe"

# Figures of the program's speed and memory (see tools/benchmarks).
benchmark:
	tools/benchmarks

clean:
	rm -rf build dist
