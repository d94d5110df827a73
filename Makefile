# Two entry points: `make run` sets everything up and converts a sample photo; `make test` sets
# everything up and runs every test.
.PHONY: setup run test clean

SAMPLE_DIR := build/sample

setup:
	scripts/setup

run: setup
	@mkdir -p $(SAMPLE_DIR)
	@build/tools/make-sample $(SAMPLE_DIR)/sample.heic
	build/app/orvane convert $(SAMPLE_DIR)/sample.heic --format jpg --max-kb 300 --output $(SAMPLE_DIR)/

test: setup
	cd build && ctest --output-on-failure -j"$$(nproc)"

clean:
	rm -rf build
