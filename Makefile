# Entry points; everything else lives in tools/ and the CMake presets.
.PHONY: test clean

# Installs what is missing, builds both configurations and runs every test.
test:
	tools/run-tests

clean:
	rm -rf build
