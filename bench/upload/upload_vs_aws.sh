#!/usr/bin/env bash
# The same 200 MB file uploaded to the test session's S3 gateway (same server, same bucket) by
# Corvalin's sender and by `aws s3 cp` (Debian's), alternating, several rounds. Prints the
# median throughputs, their ratio and Corvalin's resident memory growth during the transfer.
#   bench/upload/upload_vs_aws.sh [BUILD_DIR] [ROUNDS]      (run inside scripts/test-session)
set -euo pipefail
build=${1:-build}
rounds=${2:-3}
sender="$build/bench/upload/corvalin_subir_archivo"
aws=/usr/bin/aws  # an older one may come first in PATH
[[ -n "${CORVALIN_S3_STATE:-}" ]] || { echo "run inside scripts/test-session" >&2; exit 2; }
[[ -x "$sender" ]] || { echo "build corvalin_subir_archivo first" >&2; exit 2; }
for _ in $(seq 1200); do [[ -f "$CORVALIN_S3_STATE" ]] && break; sleep 0.1; done
[[ "$(cat "$CORVALIN_S3_STATE" 2>/dev/null)" == ready ]] || { echo "no S3 gateway" >&2; exit 1; }

bucket=corvalin-bench
empty_sha=e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855
s3curl() {  # METHOD PATH
  curl -s -o /dev/null --aws-sigv4 "aws:amz:us-east-1:s3" \
    --user "$CORVALIN_S3_ACCESS_KEY:$CORVALIN_S3_SECRET_KEY" \
    -H "x-amz-content-sha256: $empty_sha" -X "$1" "$CORVALIN_S3_ENDPOINT$2"
}
s3curl PUT "/$bucket"

file=$(mktemp /tmp/corvalin-bench.XXXXXX)
trap 'rm -f "$file"' EXIT
head -c $((200 * 1024 * 1024)) /dev/urandom >"$file"
bytes=$(stat -c %s "$file")

export AWS_ACCESS_KEY_ID="$CORVALIN_S3_ACCESS_KEY" AWS_SECRET_ACCESS_KEY="$CORVALIN_S3_SECRET_KEY"
export AWS_DEFAULT_REGION=us-east-1 AWS_CONFIG_FILE=/dev/null AWS_SHARED_CREDENTIALS_FILE=/dev/null

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
ours=() theirs=() growth=() peak=()
for round in $(seq "$rounds"); do
  start=$(now)
  out=$("$sender" "$file" "$bucket" "corvalin-$round.bin")
  ours+=($((($(now) - start) / 1000000)))
  before=$(sed -n 's/.*rss_before_kb=\([0-9]*\).*/\1/p' <<<"$out")
  top=$(sed -n 's/.*rss_peak_kb=\([0-9]*\).*/\1/p' <<<"$out")
  growth+=($(((top - before) / 1024)))
  peak+=($((top / 1024)))
  s3curl DELETE "/$bucket/corvalin-$round.bin"

  start=$(now)
  "$aws" --endpoint-url "$CORVALIN_S3_ENDPOINT" s3 cp "$file" "s3://$bucket/aws-$round.bin" \
    --only-show-errors
  theirs+=($((($(now) - start) / 1000000)))
  s3curl DELETE "/$bucket/aws-$round.bin"
done

ms_ours=$(printf '%s\n' "${ours[@]}" | median)
ms_theirs=$(printf '%s\n' "${theirs[@]}" | median)
awk -v b="$bytes" -v o="$ms_ours" -v t="$ms_theirs" -v r="$rounds" 'BEGIN {
  printf "file: %.0f MB, %d rounds, medians of whole-command wall times\n", b / 1048576, r
  printf "corvalin sender: %7.1f MB/s (%.2f s)\n", b / 1048576 / (o / 1000), o / 1000
  printf "aws s3 cp:       %7.1f MB/s (%.2f s)\n", b / 1048576 / (t / 1000), t / 1000
  printf "ratio corvalin/aws throughput: %.2f\n", t / o
}'
echo "corvalin resident memory during the upload: peak $(printf '%s\n' "${peak[@]}" | median) MB," \
  "growth $(printf '%s\n' "${growth[@]}" | median) MB (median; per round: ${growth[*]} MB)"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
