#!/usr/bin/env bash
# Benchmarks the native build of qnUpdate against the system's own tools, side by
# side in one run, and prints a table of times, ratios and peak memory.
#
#   bench/run.sh            full run (a few minutes on 2 cores)
#   bench/run.sh --quick    small sizes, under a minute: checks the benchmark works
#   bench/run.sh --fleet    only the fleet report measures (time, and the page in a browser), full size
#   bench/run.sh --shares   only the measure of reading over slow shares, full size
#
# Sizes and repetitions come from the environment (see bench/README.md). Results
# (samples, /usr/bin/time output, the table) go to build/bench/results.
# Exit status 0 when every measured command succeeded.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
quick=0
fleet_only=0
shares_only=0
case "${1:-}" in
  --quick) quick=1 ;;
  --fleet) fleet_only=1 ;;
  --shares) shares_only=1 ;;
  "") ;;
  *) echo "usage: $0 [--quick | --fleet | --shares]" >&2; exit 2 ;;
esac

if [ "$quick" = 1 ]; then
  commands=${QN_BENCH_COMMANDS:-100}
  files=${QN_BENCH_FILES:-200}
  dirs=${QN_BENCH_DIRS:-10}
  megabytes=${QN_BENCH_MB:-20}
  large=${QN_BENCH_LARGE:-2}
  growth=${QN_BENCH_GROWTH:-"100 1000"}
  runs=${QN_BENCH_RUNS:-3}
  warmup=${QN_BENCH_WARMUP:-1}
  fleet_machines=${QN_BENCH_FLEET_MACHINES:-2000}
  fleet_runs=${QN_BENCH_FLEET_RUNS:-3}
  page_machines=${QN_BENCH_PAGE_MACHINES:-5000}
  shares_machines=${QN_BENCH_SHARES_MACHINES:-100}
  shares_runs=${QN_BENCH_SHARES_RUNS:-1}
  flood_versions=${QN_BENCH_FLOOD_VERSIONS:-1000}
  flood_hosts=${QN_BENCH_FLOOD_HOSTS:-100}
else
  commands=${QN_BENCH_COMMANDS:-500}
  files=${QN_BENCH_FILES:-2000}
  dirs=${QN_BENCH_DIRS:-50}
  megabytes=${QN_BENCH_MB:-200}
  large=${QN_BENCH_LARGE:-20}
  growth=${QN_BENCH_GROWTH:-"200 2000 20000"}
  runs=${QN_BENCH_RUNS:-11}
  warmup=${QN_BENCH_WARMUP:-2}
  fleet_machines=${QN_BENCH_FLEET_MACHINES:-100000}
  fleet_runs=${QN_BENCH_FLEET_RUNS:-5}
  page_machines=${QN_BENCH_PAGE_MACHINES:-200000}
  shares_machines=${QN_BENCH_SHARES_MACHINES:-1000}
  shares_runs=${QN_BENCH_SHARES_RUNS:-3}
  flood_versions=${QN_BENCH_FLOOD_VERSIONS:-10000}
  flood_hosts=${QN_BENCH_FLOOD_HOSTS:-1000}
fi
# Records in each machine's log in the fleet report measure.
fleet_records=${QN_BENCH_FLEET_RECORDS:-20}
# Files per directory and mean file size of the growth trees.
growth_per_dir=${QN_BENCH_GROWTH_PER_DIR:-40}
growth_file_bytes=${QN_BENCH_GROWTH_FILE_BYTES:-8192}

# --- Tools -------------------------------------------------------------------

# awk is an alternatives link on Debian; use mawk or gawk when the link is gone.
if ! command -v awk >/dev/null; then
  if command -v mawk >/dev/null; then awk() { mawk "$@"; }; else awk() { gawk "$@"; }; fi
fi

need=()

[ -x /usr/bin/time ] || need+=(time)
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v python3 >/dev/null || need+=(python3)
command -v chromium >/dev/null || need+=(chromium)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing ${need[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
qn=$root/build/bench/qnUpdate
tree_bench=$root/build/bench/bench/qn_tree_bench
measure=$root/build/bench/bench/qn_measure
spawn_loop=$root/build/bench/bench/qn_spawn_loop
report=$root/build/bench/qnReport
make_fleet=$root/build/bench/bench/qn_make_fleet
results=$root/build/bench/results
rm -rf "$results"
mkdir -p "$results"

work=$(mktemp -d "${TMPDIR:-/tmp}/qnbench.XXXXXX")
[ -n "${QN_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
# The system volume: the log and every staging directory go here.
export systemdrive=$work/sys
mkdir -p "$systemdrive"

# measure NAME PREPARE LABEL COMMAND [LABEL COMMAND...]: runs the commands in
# turn, $warmup + $runs rounds, each round in a rotated order and each command
# after PREPARE (a shell text, may be empty), so that load from elsewhere on the
# machine falls on all of them alike. Records "round label wall user sys rss"
# per run after the warm-up in $results/NAME.tsv. Commands are split on spaces.
measure() {
  local name=$1 prepare=$2
  shift 2
  local labels=() commands=()
  while [ $# -gt 0 ]; do labels+=("$1"); commands+=("$2"); shift 2; done
  local count=${#labels[@]} r j c k steps names sample
  : >"$results/$name.tsv"
  for ((r = 0; r < warmup + runs; r++)); do
    for ((j = 0; j < count; j++)); do
      c=$(((j + r) % count))
      [ -z "$prepare" ] || eval "$prepare"
      # An item may be a sequence: labels joined by ",", commands by " ; ".
      IFS=, read -r -a names <<<"${labels[c]}"
      mapfile -t steps < <(sed 's/ ; /\n/g' <<<"${commands[c]}")
      for ((k = 0; k < ${#steps[@]}; k++)); do
        # shellcheck disable=SC2086
        if ! sample=$("$measure" ${steps[k]}); then
          echo "failed: ${steps[k]}" >&2
          return 1
        fi
        [ "$r" -lt "$warmup" ] || echo "$r ${names[k]} $sample" >>"$results/$name.tsv"
      done
    done
  done
}
quantile() {  # quantile $1 (0..1) of the numbers on standard input
  sort -g | awk -v q="$1" '{ v[NR] = $1 } END { if (NR == 0) { print "nan"; exit }
    p = 1 + q * (NR - 1); i = int(p); f = p - i
    print (i < NR) ? v[i] + f * (v[i + 1] - v[i]) : v[NR] }'
}
column_of() {  # per-round values of label(s) $2 ("a+b" sums) in NAME $1: wall seconds,
               # or CPU seconds with $3 = cpu
  awk -v a="$2" -v what="${3:-wall}" '
    { t[$1, $2] = (what == "cpu") ? $4 + $5 : $3; rounds[$1] = 1 }
    END { n = split(a, parts, "+")
      for (r in rounds) { s = 0; for (i = 1; i <= n; i++) s += t[r, parts[i]]; print s } }' \
    "$results/$1.tsv"
}
median() { column_of "$@" | quantile 0.5; }
per_round() {  # per-round wall seconds of label(s) $2 in NAME $1 ("a+b" sums them)
  awk -v a="$2" '{ t[$1, $2] = $3; rounds[$1] = 1 }
    END { n = split(a, parts, "+")
      for (r in rounds) { s = 0; for (i = 1; i <= n; i++) s += t[r, parts[i]]; print r, s } }' \
    "$results/$1.tsv" | sort -n
}
ratio_text() {  # NAME A B: the ratio of the medians, then the quartiles of the per-round ratios
  local a b
  a=$(per_round "$1" "$2" | awk '{ print $2 }' | quantile 0.5)
  b=$(per_round "$1" "$3" | awk '{ print $2 }' | quantile 0.5)
  join <(per_round "$1" "$2") <(per_round "$1" "$3") | awk '{ print $2 / $3 }' >"$results/ratios"
  printf '%.3f (%.2f–%.2f)' "$(calc '%.6f' "$a / $b")" "$(quantile 0.25 <"$results/ratios")" \
    "$(quantile 0.75 <"$results/ratios")"
}
min_ratio() {  # NAME A B: the ratio of the fastest rounds, the least disturbed by other load
  calc '%.3f' "$(per_round "$1" "$2" | awk '{ print $2 }' | quantile 0) / \
    $(per_round "$1" "$3" | awk '{ print $2 }' | quantile 0)"
}
calc() { awk "BEGIN { printf \"$1\", $2 }"; }
peak_rss() {  # runs a command under /usr/bin/time -v; prints its peak RSS in KiB
  local name=$1
  shift
  /usr/bin/time -v -o "$results/$name.time" "$@" >"$results/$name.out"
  awk -F': ' '/Maximum resident set size/ { print $2 }' "$results/$name.time"
}
wall_seconds() {  # the elapsed time recorded by /usr/bin/time -v, in seconds
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
    for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$results/$1.time"
}
tree_files() { find "$1" -type f | wc -l; }
tree_bytes() { find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }

# An update tree: a generated tree plus a script whose [WINK3] section runs
# `true` $2 times, a version file and a file named `true`, so the program's
# existence check finds the program as it would in a real update.
make_update() {
  local dir=$1 count=$2
  {
    printf '[WINK3]\r\n'
    for ((i = 0; i < count; i++)); do printf 'true\r\n'; done
  } >"$dir/qnInst.cfg"
  printf '4.1\r\n4.2\r\n' >"$dir/version.id"
  : >"$dir/true"
}

table=$results/table.md
row() { printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$@" >>"$table"; }
cpu_ratio() { calc '%.3f' "$(median "$1" "$2" cpu) / $(median "$1" "$3" cpu)"; }

# --- The machine -------------------------------------------------------------

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
{
  echo "Machine: ${cpu:-unknown CPU}, $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM; load average at start $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "Kernel: $(uname -sr); temp dir $work on $(findmnt -T "$work" -no FSTYPE 2>/dev/null || stat -f -c %T "$work")"
  echo "Tools: $(cp --version | head -1), /bin/sh -> $(readlink -f /bin/sh), $(g++ --version | head -1)"
  echo "Mode: $([ "$quick" = 1 ] && echo quick || echo full); $runs rounds after $warmup warm-up rounds, commands interleaved; times are medians"
  echo "Fleet report: $fleet_runs rounds after 1 warm-up round; shares: $shares_runs rounds of the default, 1 of --jobs 1"
  echo
  echo "| Measure | qnUpdate | Baseline | Wall ratio (per-round quartiles) | Min ratio | CPU ratio | Target |"
  echo "|---|---|---|---|---|---|---|"
} >"$table"

# --- 5. Fleet report (a function, run last) -------------------------------------

# qnReport --csv against the awk program an administrator would write for the
# same answer (bench/fleet_state.awk: the latest state per machine and version),
# and against reading the same files and nothing more (find + xargs cat), on a
# fleet of result logs made here. Each runs from a script, as qnReport ends
# with 1 when a machine failed, which this fleet's do; the scripts send their
# output to /dev/null through qn_measure. The answers of qnReport and awk are
# compared once, apart from the timing.
fleet_report() {
  echo "5/6 fleet report ($fleet_machines machines × $fleet_records records)" >&2
  local fleet=$work/fleet status=0
  "$make_fleet" "$fleet" "$fleet_machines" "$fleet_records"
  local fleet_mb
  fleet_mb=$(calc '%.0f' "$(tree_bytes "$fleet") / 1048576")
  printf '"%s" --csv "%s"\n[ $? -le 1 ]\n' "$report" "$fleet" >"$work/qnreport.sh"
  printf 'find "%s" -type f -iname "*.log" | awk -f "%s"\n' "$fleet" "$root/bench/fleet_state.awk" \
    >"$work/awk.sh"
  printf 'find "%s" -type f -iname "*.log" -print0 | xargs -0 cat\n' "$fleet" >"$work/cat.sh"
  runs=$fleet_runs warmup=1 measure fleet "" qnReport "sh $work/qnreport.sh" awk "sh $work/awk.sh" \
    cat "sh $work/cat.sh"
  /usr/bin/time -v -o "$results/fleet-qnreport.time" "$report" --csv "$fleet" \
    >"$results/fleet-qnreport.csv" || status=$?
  if [ "$status" -gt 1 ]; then
    echo "qnReport failed on the fleet" >&2
    exit 1
  fi
  sh "$work/awk.sh" >"$results/fleet-awk.txt"
  python3 - "$results/fleet-qnreport.csv" "$results/fleet-awk.txt" <<'PYTHON' || exit 1
import csv, sys
with open(sys.argv[1], newline="") as report:
    rows = list(csv.reader(report))[1:]
ours = {tuple(row[:5] + row[6:8]) for row in rows}
theirs = {tuple(line.rstrip("\n").split(",")) for line in open(sys.argv[2])}
if ours != theirs or len(ours) != len(rows):
    sys.exit("qnReport and awk give different answers: %d rows against %d" % (len(ours), len(theirs)))
PYTHON
  seconds() { calc '%.2f s' "$(median fleet "$1")"; }
  row "Fleet report, $fleet_machines machines × $fleet_records records, $fleet_mb MB" \
    "$(seconds qnReport) (\`qnReport --csv\`)" "$(seconds awk) (find + awk, same answer)" \
    "$(ratio_text fleet qnReport awk)" "$(min_ratio fleet qnReport awk)" \
    "$(cpu_ratio fleet qnReport awk)" "≤ 0.5"
  row "Fleet report against reading its files" "$(seconds qnReport)" \
    "$(seconds cat) (find + xargs cat, nothing parsed)" "$(ratio_text fleet qnReport cat)" \
    "$(min_ratio fleet qnReport cat)" "$(cpu_ratio fleet qnReport cat)" "≤ 1.1"
  local rss_report rss_awk
  rss_report=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$results/fleet-qnreport.time")
  rss_awk=$(awk '$2 == "awk" { print $6 }' "$results/fleet.tsv" | quantile 0.5)
  row "Peak RSS, fleet report" "$rss_report KiB" "$(calc '%.0f' "$rss_awk") KiB (awk)" "" "" "" \
    "< 65536 KiB"
}

# One log that floods the report: a machine whose log holds $flood_versions
# distinct versions, each once, and a list of $flood_hosts machines, with
# which every listed machine has a row at every version. Timed once with
# /usr/bin/time -v, with its peak memory and the CSV's size: no target, a
# record of what such a log costs.
flood_report() {
  echo "   a flood log: $flood_versions versions, $flood_hosts listed machines" >&2
  local flood=$work/flood
  mkdir -p "$flood"
  awk -v n="$flood_versions" 'BEGIN { for (i = 1; i <= n; i++)
    printf "01-02-2007 09:00:00,Update=1.%d,New=2.%d,Status=Success,ReturnCode=0 \r\n", i, i }' \
    >"$flood/PC0001.log"
  awk -v n="$flood_hosts" 'BEGIN { for (i = 1; i <= n; i++) printf "PC%04d\n", i }' >"$flood/hosts.txt"
  local status=0
  /usr/bin/time -v -o "$results/flood.time" "$report" --csv --hosts "$flood/hosts.txt" "$flood/PC0001.log" \
    >"$results/flood.csv" || status=$?
  if [ "$status" -gt 1 ]; then
    echo "qnReport failed on the flood log" >&2
    exit 1
  fi
  local wall rss rows mb
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0
    for (i = 1; i <= n; i++) s = s * 60 + p[i]; printf "%.2f s", s }' "$results/flood.time")
  rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$results/flood.time")
  rows=$(($(wc -l <"$results/flood.csv") - 1))
  mb=$(calc '%.0f' "$(stat -c %s "$results/flood.csv") / 1048576")
  row "Flood: one log of $flood_versions versions, $flood_hosts listed machines, \`--csv\`" \
    "$wall, $rss KiB peak" "$rows rows, $mb MB of CSV" "" "" "" "finishes; memory with the input"
  rm -rf "$flood" "$results/flood.csv"
}

# The page of a large fleet in a browser: headless Chromium opens qnReport's page
# and saves a screenshot once it has loaded, against the same for an empty page;
# the difference is the time the page itself takes to open.
page_open() {
  echo "   the page of $page_machines machines in Chromium" >&2
  local fleet=$work/page-fleet
  "$make_fleet" "$fleet" "$page_machines" "$fleet_records"
  "$report" --html "$work/page.html" "$fleet" >/dev/null || [ $? -eq 1 ]
  printf '<!DOCTYPE html><html><head><meta charset="utf-8"><title>empty</title></head><body></body></html>\n' \
    >"$work/empty.html"
  local name
  for name in page empty; do
    printf 'chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking --disable-component-update --disable-sync --user-data-dir="%s" --window-size=1200,900 --screenshot="%s" "file://%s" >/dev/null 2>&1\n' \
      "$work/chromium-$name" "$work/$name.png" "$work/$name.html" >"$work/$name.sh"
  done
  runs=$fleet_runs warmup=1 measure page "" page "sh $work/page.sh" empty "sh $work/empty.sh"
  local page_mb opens
  page_mb=$(calc '%.1f' "$(stat -c %s "$work/page.html") / 1048576")
  opens=$(calc '%.2f' "$(median page page) - $(median page empty)")
  row "Page of $page_machines machines ($page_mb MB) opened in Chromium" "$opens s more than an empty page" \
    "$(calc '%.2f s' "$(median page empty)") (the empty page)" "" "" "" "≤ 3 s"
  rm -rf "$fleet"
}

# --- 6. Reading over slow shares (a function, run last) ------------------------

# qnReport --from over the FUSE stand-in for administrative shares, every
# look-up and open 40 ms late: the default number of readers against one at a
# time (bench/shares.py). Needs root and /dev/fuse.
shares_report() {
  echo "6/6 reading over slow shares ($shares_machines machines; one at a time takes about $((shares_machines * 3 / 10)) s)" >&2
  python3 "$root/bench/shares.py" "$report" "$work" "$shares_machines" "$shares_runs" "$results" \
    >>"$table" || exit 1
}

if [ "$fleet_only" = 1 ] || [ "$shares_only" = 1 ]; then
  if [ "$fleet_only" = 1 ]; then
    fleet_report
    flood_report
    page_open
  else
    shares_report
  fi
  echo "load average at end $(cut -d' ' -f1-3 /proc/loadavg)" >>"$table"
  echo >&2
  cat "$table"
  exit 0
fi

# --- 1. Per-command overhead -------------------------------------------------

echo "1/6 per-command overhead ($commands commands)" >&2
inplace=$work/inplace
mkdir -p "$inplace"
make_update "$inplace" "$commands"
for ((i = 0; i < commands; i++)); do echo '/bin/sh -c true'; done >"$inplace/commands.sh"
(cd "$inplace" && measure commands "" \
  qnUpdate "$qn" \
  command-file "/bin/sh commands.sh" \
  spawn-loop "$spawn_loop $commands true")
per_command() { calc '%.0f µs' "$(median commands "$1") * 1e6 / $commands"; }
row "In place, $commands × \`true\`: time per command" "$(per_command qnUpdate)" \
  "$(per_command command-file) (sh command file)" "$(ratio_text commands qnUpdate command-file)" \
  "$(min_ratio commands qnUpdate command-file)" \
  "$(cpu_ratio commands qnUpdate command-file)" "≤ 1.05"
row "… the same against a bare vfork + execve loop" "$(per_command qnUpdate)" \
  "$(per_command spawn-loop) (qn_spawn_loop)" "$(ratio_text commands qnUpdate spawn-loop)" \
  "$(min_ratio commands qnUpdate spawn-loop)" \
  "$(cpu_ratio commands qnUpdate spawn-loop)" ""

# --- 2. Staging copy and removal ---------------------------------------------

echo "2/6 staging copy and removal ($files files, $megabytes MB)" >&2
tree=$work/tree
"$tree_bench" make "$tree" "$files" "$dirs" $((megabytes * 1048576)) "$large"
make_update "$tree" 1
n_files=$(tree_files "$tree")
n_bytes=$(tree_bytes "$tree")
stage=$systemdrive/QNTBENCH.tmp
measure staging "rm -rf $stage" \
  walkTree-copy,walkTree-remove "$tree_bench copy $tree $stage ; $tree_bench remove $stage" \
  cp-r,rm-rf "cp -r $tree $stage ; rm -rf $stage"
c_qn=$(median staging walkTree-copy)
c_cp=$(median staging cp-r)
r_qn=$(median staging walkTree-remove)
r_rm=$(median staging rm-rf)
cr_qn=$(per_round staging walkTree-copy+walkTree-remove | awk '{ print $2 }' | quantile 0.5)
cr_cp=$(per_round staging cp-r+rm-rf | awk '{ print $2 }' | quantile 0.5)
rates() {  # seconds -> "ms, MB/s, files/s"
  calc '%.0f ms, %.0f MB/s, %.0f files/s' "($1) * 1e3, $n_bytes / 1048576 / ($1), $n_files / ($1)"
}
mb=$(calc '%.0f' "$n_bytes / 1048576")
row "Staging copy, $n_files files, $mb MB" "$(rates "$c_qn")" "$(rates "$c_cp") (cp -r)" \
  "$(ratio_text staging walkTree-copy cp-r)" "$(min_ratio staging walkTree-copy cp-r)" \
  "$(cpu_ratio staging walkTree-copy cp-r)" ""
row "Staging removal, $n_files files" \
  "$(calc '%.0f ms, %.0f files/s' "$r_qn * 1e3, $n_files / $r_qn")" \
  "$(calc '%.0f ms, %.0f files/s' "$r_rm * 1e3, $n_files / $r_rm") (rm -rf)" \
  "$(ratio_text staging walkTree-remove rm-rf)" "$(min_ratio staging walkTree-remove rm-rf)" \
  "$(cpu_ratio staging walkTree-remove rm-rf)" ""
row "Staging copy + removal" "$(rates "$cr_qn")" "$(rates "$cr_cp") (cp -r + rm -rf)" \
  "$(ratio_text staging walkTree-copy+walkTree-remove cp-r+rm-rf)" \
  "$(min_ratio staging walkTree-copy+walkTree-remove cp-r+rm-rf)" \
  "$(cpu_ratio staging walkTree-copy+walkTree-remove cp-r+rm-rf)" "≤ 1.10"

# --- 3. One whole staged run, and peak memory -------------------------------

echo "3/6 staged runs and peak memory" >&2
rss_inplace=$(cd "$inplace" && peak_rss rss-inplace "$qn")
staged_run() {  # one staged run of update tree $2, recorded as $1; prints its peak RSS
  local rss
  rss=$(peak_rss "$1" "$qn" "$2")
  if compgen -G "$systemdrive/QNT*" >/dev/null; then
    echo "a staged run left its staging directory behind" >&2
    exit 1
  fi
  echo "$rss"
}
rss_staged=$(staged_run rss-staged "$tree")
row "Whole staged run once, $n_files files, 1 command (5 s pause included)" \
  "$(calc '%.2f s' "$(wall_seconds rss-staged)")" "" "" "" "" ""
row "Peak RSS, in place, $commands commands" "$rss_inplace KiB" "" "" "" "" "< 4096 KiB"
row "Peak RSS, staged, $n_files files" "$rss_staged KiB" "" "" "" "" "< 4096 KiB"

# --- 4. Growth ----------------------------------------------------------------

echo "4/6 growth ($growth files)" >&2
largest=""
for n in $growth; do
  g=$work/growth$n
  "$tree_bench" make "$g" "$n" $(((n + growth_per_dir - 1) / growth_per_dir)) \
    $((n * growth_file_bytes)) 0
  # The large trees get fewer rounds, down to 5 with one warm-up round, so
  # every size copies about as many files in all.
  g_runs=$((runs * 2000 / n))
  if [ "$g_runs" -gt "$runs" ]; then g_runs=$runs; fi
  if [ "$g_runs" -lt 5 ]; then g_runs=$((runs < 5 ? runs : 5)); fi
  g_warmup=$warmup
  if [ "$g_runs" -lt "$runs" ] && [ "$g_warmup" -gt 1 ]; then g_warmup=1; fi
  runs=$g_runs warmup=$g_warmup measure "growth$n" "rm -rf $stage" \
    walkTree-copy "$tree_bench copy $g $stage" \
    cp-r "cp -r $g $stage"
  rm -rf "$stage"
  per_file() { calc '%.1f µs' "$(median "growth$n" "$1") * 1e6 / $n"; }
  row "Copy per file, $n files of $((growth_file_bytes / 1024)) KiB mean" \
    "$(per_file walkTree-copy)" "$(per_file cp-r) (cp -r)" \
    "$(ratio_text "growth$n" walkTree-copy cp-r)" "$(min_ratio "growth$n" walkTree-copy cp-r)" \
    "$(cpu_ratio "growth$n" walkTree-copy cp-r)" \
    "flat"
  if [ -n "$largest" ]; then rm -rf "$largest"; fi
  largest=$g
done
# The largest growth tree as a staged run: memory must not grow with the tree.
make_update "$largest" 1
n_large=$(tree_files "$largest")
rss_large=$(staged_run rss-staged-large "$largest")
row "Peak RSS, staged, $n_large files" "$rss_large KiB" "" "" "" "" "< 4096 KiB"

fleet_report
flood_report
page_open
shares_report

echo "load average at end $(cut -d' ' -f1-3 /proc/loadavg)" >>"$table"
echo >&2
cat "$table"
