#!/usr/bin/env bash
# The repository's documents against the build: CI runs the README's test
# command as written, the citation file and the changelog's latest released entry carry
# the version the programs report, and the README's option table names every
# option of trivanex's usage text.
# Usage: check_docs.sh SOURCE_DIR TRIVANEX
set -uo pipefail
src=$1 trivanex=$2
status=0
fail() { echo "FAIL: $*"; status=1; }

test_command=$(grep -E '^cmake .* && ctest ' "$src/.ci/run")
[ -n "$test_command" ] || fail ".ci/run has no test command"
grep -qxF "    $test_command" "$src/README.md" || fail "README does not show .ci/run's test command: $test_command"

version=$("$trivanex" --version | sed -n 's/^trivanex //p')
[ -n "$version" ] || fail "trivanex --version printed no version"
grep -qx "version: $version" "$src/CITATION.cff" || fail "CITATION.cff is not at version $version"
# The latest released entry; an "(unreleased)" one above it gathers the next version's changes.
[ "$(grep '^## ' "$src/CHANGELOG.md" | grep -v '(unreleased)$' | head -1 | awk '{print $2}')" = "$version" ] ||
  fail "CHANGELOG.md's latest released entry is not $version"

for opt in $("$trivanex" --help 2>&1 | grep -oE -- '--[a-z_A-Z][-a-z_A-Z]*' | sort -u); do
  grep -qE "^\| \`$opt[ \`]" "$src/README.md" || fail "README's option table does not describe $opt"
done
[ $status -eq 0 ] && echo "documents: OK"
exit $status
