# The invitation's front door: every target installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps build run run-fullscreen test assets bench fuzz clean

all: build

deps:
	@bash scripts/deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd resources && ../$(BUILD)/invite_windowed

run-fullscreen: build
	cd resources && ../$(BUILD)/invite_fullscreen

test: build
	bash scripts/test

assets: build
	$(BUILD)/tools/assetgen/assetgen resources

bench: build
	$(BUILD)/invite_bench

fuzz: deps
	bash scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
