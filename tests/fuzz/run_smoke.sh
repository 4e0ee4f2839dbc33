#!/bin/sh
# A short fuzz run for CTest: FUZZER DICTIONARY SEED_FOLDER... New inputs go to a fresh folder
# that is removed afterwards; an input that fails is kept in the working folder as crash-*.
set -u
fuzzer=$1
dictionary=$2
shift 2
corpus=$(mktemp -d) || exit 1
trap 'rm -rf "$corpus"' EXIT
"$fuzzer" -max_total_time=20 -timeout=10 -max_len=8192 -dict="$dictionary" -artifact_prefix=./ \
    "$corpus" "$@"
