# The invitation's front door: every target installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps build run run-fullscreen test assets bench soak memcheck fuzz clean

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
	$(BUILD)/tools/assetgen/assetgen --content content/party.toml resources

bench: build
	$(BUILD)/invite_bench
	$(BUILD)/tools/assetgen/assetgen --test-track $(BUILD)/loop_test.mp3 3
	SDL_AUDIODRIVER=dummy $(BUILD)/music_clock_probe resources/zura5inv.mp3 10
	SDL_AUDIODRIVER=dummy $(BUILD)/music_clock_probe $(BUILD)/loop_test.mp3 10

soak: build
	$(BUILD)/invite_soak

memcheck: build
	valgrind --error-exitcode=1 --leak-check=full --show-leak-kinds=definite,indirect,possible \
	  --errors-for-leak-kinds=definite,indirect,possible \
	  $(BUILD)/invite_render --until 60000 --script tests/show/full_show.script --out $(BUILD)/memcheck

fuzz: deps
	bash scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)

# Puts each fault of tests/mutations.txt into a copy of the tree and checks the tests catch it
# (minutes; not part of `make test`).
.PHONY: mutate
mutate: deps
	bash scripts/mutate
