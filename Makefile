# The invitation's front door: every target first installs what it is missing, and only that
# (scripts/deps PURPOSE: run, test, web, windows, video; make test installs all of them).
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
WEB_BUILD ?= build-web
WEB_PORT ?= 8000
# The stem of the file names the audience sees, from [files] stem as make assets wrote it.
STEM = $(or $(shell bash scripts/stem),$(error resources/party_files.h names no file stem; run make assets))

.PHONY: all deps deps-run deps-test deps-web deps-windows deps-video build run run-fullscreen test check assets bench soak memcheck fuzz clean web web-serve web-test web-phone
.PHONY: audio-night
.PHONY: windows windows-test linux-release dist dist-test

all: build

deps:
	@bash scripts/deps all
deps-run:
	@bash scripts/deps run
deps-test:
	@bash scripts/deps run test
deps-web:
	@bash scripts/deps run web
deps-windows:
	@bash scripts/deps run windows
deps-video:
	@bash scripts/deps run video

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps-run $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Builds only the program it plays.
run: deps-run $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target invite_windowed
	cd resources && ../$(BUILD)/invite_windowed

run-fullscreen: deps-run $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target invite_fullscreen
	cd resources && ../$(BUILD)/invite_fullscreen

test: deps build
	bash scripts/test

# The quick loop: the unit, whole-show and content suites of the normal build, without the
# window tests, the films and the slow regeneration and whole-tree checks.
check: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure -LE 'e2e|video|slow'

# The unit and whole-show suites and the digest tour on a build without any vector path
# (build-plain), the code the browser runs, against the same frames as the normal build.
check-plain: build
	BUILD=$(BUILD) JOBS=$(JOBS) bash scripts/check-plain

# Writes resources/ from content/party.toml, then builds the programs again with them.
assets: build
	$(BUILD)/tools/assetgen/assetgen --content content/party.toml resources
	cmake --build $(BUILD) -j $(JOBS)

bench: build
	$(BUILD)/invite_bench
	$(BUILD)/tools/assetgen/assetgen --test-track $(BUILD)/loop_test.mp3 3
	SDL_AUDIODRIVER=dummy $(BUILD)/music_clock_probe resources/$(STEM).mp3 10
	SDL_AUDIODRIVER=dummy $(BUILD)/music_clock_probe $(BUILD)/loop_test.mp3 10

soak: build
	$(BUILD)/invite_soak

# Ten minutes of the windowed program through a private sound server with both cores kept busy:
# the server's underruns and how the music clock ran. AUDIO_NIGHT_LOAD= for a quiet machine,
# AUDIO_NIGHT_SERVER=realtime for a sound server that an overloaded machine cannot hold up.
AUDIO_NIGHT_MINUTES ?= 10
AUDIO_NIGHT_LOAD ?= busy
audio-night: deps-test build
	bash scripts/audio-night $(BUILD) $(AUDIO_NIGHT_MINUTES) $(AUDIO_NIGHT_LOAD)

memcheck: deps-test build
	valgrind --error-exitcode=1 --leak-check=full --show-leak-kinds=definite,indirect,possible \
	  --errors-for-leak-kinds=definite,indirect,possible \
	  $(BUILD)/invite_render --until 60000 --script tests/show/full_show.script --out $(BUILD)/memcheck

fuzz: deps-test
	bash scripts/fuzz $(FUZZ_SECONDS)

# The browser build: $(WEB_BUILD)/site holds the page, the program and the soundtrack's pieces
# (AAC, written from resources/STEM.mp3 by web/soundtrack.mjs with ffmpeg), with compressed
# copies for web hosts, and $(WEB_BUILD)/STEM.html is the whole show in one file (STEM is the
# content file's [files] stem; the names inside site/ stay the same for every party). The
# third-party libraries for WebAssembly are built once into $(BUILD)/thirdparty; the native
# assetgen and invite_render write the page's text facts and its preview picture.
web: deps-web $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target assetgen invite_render
	@prefix=$$(THIRDPARTY_DIR=$(CURDIR)/$(BUILD)/thirdparty JOBS=$(JOBS) bash scripts/thirdparty wasm) && \
	  export NODE_PATH=/usr/share/nodejs && \
	  emcmake cmake -S . -B $(WEB_BUILD) -DTHIRDPARTY_PREFIX=$$prefix >/dev/null && \
	  cmake --build $(WEB_BUILD) -j $(JOBS)
	$(BUILD)/tools/assetgen/assetgen --content content/party.toml --web-facts $(WEB_BUILD)/party_facts.json
	@if [ ! -f $(WEB_BUILD)/site/zura5inv-music.json ] || [ resources/$(STEM).mp3 -nt $(WEB_BUILD)/site/zura5inv-music.json ] || [ web/soundtrack.mjs -nt $(WEB_BUILD)/site/zura5inv-music.json ]; then \
	  rm -f $(WEB_BUILD)/site/zura5inv-music.bin; \
	  node web/soundtrack.mjs resources/$(STEM).mp3 $(WEB_BUILD)/site; fi
	@# The preview shows the menu at rest, 4.3 s after it comes (46 s with the built-in timing).
	rm -rf $(WEB_BUILD)/preview
	cd resources && ../$(BUILD)/invite_render --until menu+4399 --snap 22000,menu+4299 --out $(abspath $(WEB_BUILD))/preview >/dev/null
	menu=$$(ls $(WEB_BUILD)/preview/t*.png | grep -v '/t22000\.png$$' | head -n 1) && \
	  node web/build_site.mjs $(WEB_BUILD)/site $(WEB_BUILD)/party_facts.json $${menu:-$(WEB_BUILD)/preview/t22000.png} \
	  $(WEB_BUILD)/$(STEM).html $(WEB_BUILD)/preview/t22000.png

web-serve: web
	node web/serve.mjs $(WEB_BUILD)/site $(WEB_PORT)

# The page in Debian's Chromium against the offline renderer; screenshots in $(WEB_BUILD)/screenshots.
web-test: build web
	node web/test/web_test.mjs $(WEB_BUILD) $(BUILD) $(WEB_BUILD)/screenshots

# The page as a phone on a mobile network (Slow and Fast 4G, 4x and 6x CPU throttling, upright
# and on its side): start times, bytes before the first sound, silent gaps, frames a second,
# picture against sound and memory, judged and written to $(WEB_BUILD)/phone/phone-figures.json;
# then Lighthouse's mobile scores and the time to interactive with devtools throttling
# (a few minutes; not part of `make test`).
web-phone: web
	node web/test/phone_measure.mjs $(WEB_BUILD) $(WEB_BUILD)/phone
	cd web/measure && npm ci --no-audit --no-fund --loglevel=error >/dev/null
	node web/measure/lighthouse.mjs $(WEB_BUILD)/site $(WEB_BUILD)/measure

clean:
	rm -rf $(BUILD) $(WEB_BUILD) dist

# Puts each fault of tests/mutations.txt into a copy of the tree and checks the tests catch it
# (minutes; not part of `make test`).
.PHONY: mutate
mutate: deps-run
	bash scripts/mutate

# The release: the Windows programs cross-built with mingw-w64, the Linux programs linked
# statically against their own third-party builds, and the two archives.
WINDOWS_BUILD ?= $(BUILD)/windows
LINUX_RELEASE_BUILD ?= $(BUILD)/linux-release

windows: deps-windows
	prefix=$$(THIRDPARTY_DIR=$(CURDIR)/$(BUILD)/thirdparty JOBS=$(JOBS) bash scripts/thirdparty windows) && \
	  cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DINVITE_RELEASE=ON \
	  -DCMAKE_PREFIX_PATH=$$prefix >/dev/null
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target invite_windowed invite_fullscreen invite_render

windows-test: windows build
	bash tests/windows/wine.sh $(WINDOWS_BUILD) $(BUILD) . $(WINDOWS_BUILD)/wine

linux-release: deps-windows
	prefix=$$(THIRDPARTY_DIR=$(CURDIR)/$(BUILD)/thirdparty JOBS=$(JOBS) bash scripts/thirdparty linux) && \
	  cmake -S . -B $(LINUX_RELEASE_BUILD) -DINVITE_RELEASE=ON -DCMAKE_PREFIX_PATH=$$prefix >/dev/null
	cmake --build $(LINUX_RELEASE_BUILD) -j $(JOBS) --target invite_windowed invite_fullscreen

dist: windows linux-release
	bash scripts/dist $(LINUX_RELEASE_BUILD) $(WINDOWS_BUILD) dist

dist-test: dist build
	bash tests/dist/archives.sh dist $(LINUX_RELEASE_BUILD) $(WINDOWS_BUILD) $(BUILD)/invite_render .

# The whole show with its soundtrack and a tour of the menu (long runs; not part of `make
# test`): `make video` for video sites (1080p60), `make video-party` for the party's big
# screen (1080p30 in two passes). `make video-bench` measures the capture speeds.
.PHONY: video video-party video-bench
video: deps-video build
	cd resources && ../$(BUILD)/invite_render --profile site --script ../tools/video_tour.script \
	  --video $(abspath $(BUILD))/$(STEM).mp4

video-party: deps-video build
	cd resources && ../$(BUILD)/invite_render --profile party --script ../tools/video_tour.script \
	  --video $(abspath $(BUILD))/$(STEM)-party.mp4

video-bench: deps-video build
	bash scripts/video_bench $(BUILD)
