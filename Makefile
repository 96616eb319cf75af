# The two front-door commands: `make demo` and `make test`. Both install what they need first.
SHELL := /bin/bash
FUZZ_SECONDS ?= 60

.PHONY: deps native win32 fuzz release unit e2e format lint test demo bench clean

deps:
	bash scripts/install-deps.sh

native: deps
	cmake --preset native
	cmake --build --preset native

win32: deps
	cmake --preset win32
	cmake --build --preset win32

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz

release: deps
	cmake --preset release
	cmake --build --preset release

unit: native
	ctest --preset native

e2e: win32 native
	bash tests/e2e/run.sh

# clang-format over every tracked source (seconds); `make lint` adds clang-tidy (minutes).
format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

lint: native win32
	bash scripts/lint.sh

# Everything: formatting, unit tests (ASan + UBSan), the Windows build, the bounded fuzz run
# and the end-to-end tests of the real installer under Wine.
test: format unit win32 fuzz
	bash scripts/run-fuzz.sh $(FUZZ_SECONDS)
	bash tests/e2e/run.sh

demo: win32 native
	bash scripts/demo.sh

bench: release
	bash scripts/bench-container.sh

clean:
	rm -rf build
