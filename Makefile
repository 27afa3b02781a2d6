# The two commands of the README, and the release files. Each installs what it needs, then
# builds.
.PHONY: run test dist screenshot bench clean

run:
	@bash scripts/run.sh

test:
	@bash scripts/test.sh

dist:
	@bash scripts/dist.sh

screenshot:
	@bash scripts/screenshot.sh

bench:
	@bash scripts/bench.sh

clean:
	rm -rf build dist
