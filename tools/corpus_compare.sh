#!/usr/bin/env bash
# Runs the IBIS checker over every .ibs/.pkg/.ebd file of the shared corpus
# that declares [IBIS Ver] 5.0 or earlier, each copied under its original
# name into a temporary folder, and writes one output file per corpus file
# and flag set (-numbered, -caution -numbered).
#
#   bash tools/corpus_compare.sh capture DIR   # write outputs into DIR
#   bash tools/corpus_compare.sh compare DIR   # rerun and diff against DIR
#
# CHECKER (default build/ibis_checker) and CORPUS (default ../shared/corpus)
# may be set in the environment.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:?capture or compare}
ref=${2:?output folder}
checker=$(readlink -f "${CHECKER:-build/ibis_checker}")
corpus=$(readlink -f "${CORPUS:-../shared/corpus}")
[ -x "$checker" ] || { echo "no checker at $checker" >&2; exit 2; }
[ -f "$corpus/MANIFEST.tsv" ] || { echo "no corpus at $corpus" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out="$work/out"
mkdir -p "$out"

# saved_name, path, ibis_version: the first, third and fifth columns.
tail -n +2 "$corpus/MANIFEST.tsv" | while IFS=$'\t' read -r saved _repo path _commit ver _rest; do
  case "$saved" in *.ibs) flag=() ;; *.pkg) flag=(-pkg) ;; *.ebd) flag=(-ebd) ;; *) continue ;; esac
  case "$ver" in [1-4].*|5.0) ;; *) continue ;; esac
  name=$(basename "$path")
  dir="$work/run/$saved"
  mkdir -p "$dir"
  cp "$corpus/$saved" "$dir/$name"
  for set in numbered caution; do
    if [ "$set" = numbered ]; then opts=(-numbered); else opts=(-caution -numbered); fi
    rc=0
    (cd "$dir" && "$checker" "${opts[@]}" "${flag[@]}" "$name") > "$out/$saved.$set.txt" 2>&1 < /dev/null || rc=$?
    echo "exit $rc" >> "$out/$saved.$set.txt"
  done
done

case "$mode" in
  capture)
    mkdir -p "$ref"
    cp "$out"/*.txt "$ref"/
    echo "captured $(ls "$out" | wc -l) outputs into $ref" ;;
  compare)
    n=$(ls "$out" | wc -l)
    if diff -r "$ref" "$out" > "$work/diff.txt"; then
      echo "identical: $n outputs"
    else
      cat "$work/diff.txt"
      echo "DIFFERENT (see above)"
      exit 1
    fi ;;
  *) echo "mode must be capture or compare" >&2; exit 2 ;;
esac
