# Two entry points: `make run` sets everything up and opens the window with a sample photo (or, on
# a machine without a display, converts it); `make test` sets everything up and runs every test.
# `make screenshots` draws the window's screens into build/screenshots. `make install` installs
# for the user alone (PREFIX=~/.local, no root needed; PREFIX=/usr/local for everyone) and
# `make uninstall` removes exactly what it installed.
.PHONY: setup run test screenshots install uninstall clean

PREFIX ?= $(HOME)/.local

SAMPLE_DIR := build/sample
# A real photo makes the screenshots easier to judge; Debian's scikit-image data has one.
SCREENSHOT_PHOTO := $(wildcard /usr/lib/python3/dist-packages/skimage/data/chelsea.png)

setup:
	scripts/setup

run: setup
	@mkdir -p $(SAMPLE_DIR)
	@build/tools/make-sample $(SAMPLE_DIR)/sample.heic
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		build/app/orvane $(SAMPLE_DIR)/sample.heic; \
	else \
		echo "No display: the window needs one, so the sample photo is converted on the command line instead."; \
		build/app/orvane convert $(SAMPLE_DIR)/sample.heic --format jpg --max-kb 300 --output $(SAMPLE_DIR)/; \
	fi

test: setup
	cd build && ctest --output-on-failure -j"$$(nproc)"

screenshots: setup
	@rm -rf build/screenshots && mkdir -p build/screenshots
	QT_QPA_PLATFORM=offscreen build/tools/screenshots build/screenshots $(SCREENSHOT_PHOTO)
	@# The views' own states, set up by their tests.
	ORVANE_SCREENSHOTS=$(CURDIR)/build/screenshots build/tests/ui/orvane_ui_tests \
		--gtest_filter='*Screenshots*' --gtest_also_run_disabled_tests >/dev/null

install: setup
	scripts/install install "$(PREFIX)"

uninstall:
	scripts/install uninstall "$(PREFIX)"

clean:
	rm -rf build
