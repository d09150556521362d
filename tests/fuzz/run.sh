#!/usr/bin/env bash
# Builds the libFuzzer target for the enrollment rules with clang and runs it:
# first once over a few inputs of about 1 MiB, so that work growing faster
# than the input shows up as a timeout, then fuzzing for SECONDS (0: until
# stopped).
# What the fuzzer learns stays in OUT_DIR/corpus for the next run; a failing
# input is written to OUT_DIR/crash-* (or timeout-*, leak-*).
# Usage: tests/fuzz/run.sh OUT_DIR [SECONDS] [libFuzzer options...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=${1:?usage: $0 OUT_DIR [SECONDS] [libFuzzer options...]}
seconds=${2:-20}
shift $(($# < 2 ? $# : 2))
mkdir -p "$out/corpus" "$out/large"
out=$(cd "$out" && pwd)

# The main build uses g++, which has no libFuzzer; this target is built apart.
cxx=$(command -v clang++-14 || command -v clang++) ||
  exec "$top/tests/missing_tool.sh" clang++ clang-14
command -v python3 >/dev/null || exec "$top/tests/missing_tool.sh" python3 python3
# clang without its libFuzzer runtime fails only at the link.
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
  "$cxx" -x c++ -fsanitize=fuzzer - -o "$out/probe" 2>/dev/null ||
  exec "$top/tests/missing_tool.sh" "clang's libFuzzer runtime" libclang-rt-14-dev
rm -f "$out/probe"
"$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Werror \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$top/src" "$here/enroll_rules_fuzz.cpp" "$top/src/enroll/enroll_rules.cpp" \
  "$top/src/text/utf8.cpp" \
  -o "$out/enroll_rules_fuzz"

python3 - "$out/large" <<'PY'
import pathlib, sys
large, mib = pathlib.Path(sys.argv[1]), 1 << 20
space = " \t\u00a0\u2028\u3000\u2000".encode()
half = space * (mib // len(space) // 2)
(large / "spaces-around").write_bytes(half + b"dk_x\xe2\x80\xa8y" + half + b"\0" + half)
(large / "broken-sequences").write_bytes(b"\xe2\x80\xc2\xf0\x9f\x80" * (mib // 6))
(large / "long-code").write_bytes(b"dk_" + "\u00e9a\u3000".encode() * (mib // 6) + b"\0\r")
PY
# libFuzzer writes its -jobs logs to the working directory.
cd "$out"
"$out/enroll_rules_fuzz" -timeout=10 "$out/large"/*

"$out/enroll_rules_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=5 \
  -dict="$here/enroll_rules.dict" -artifact_prefix="$out/" "$@" "$out/corpus" "$here/corpus"
