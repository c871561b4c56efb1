# Helpers of the end-to-end tests through a real JACK server, sourced by jack-fixture and
# jack-cases. Environment (set by tests/e2e/CMakeLists.txt): CORVALE_CLI, CORVALE_SIM,
# DEMO_BANK, E2E_STATE (a folder of the build dir), JACK_DEFAULT_SERVER (the fixture's server).
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip_without_jackd() {
  for tool in jackd jack_lsp; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is not installed"
      exit 77
    fi
  done
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# A zombie left to an init that does not reap counts as ended.
running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [[ -n $state && $state != Z ]]
}
ended() { ! running "$1"; }

# wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds, for at most SECONDS.
# The bounds given are generous: a loaded machine can take many seconds to start a server or a
# client, and a passing test waits only as long as it needs.
wait_until() {
  local deadline=$(($(now_ms) + $1 * 1000))
  shift
  until "$@"; do
    (($(now_ms) < deadline)) || return 1
    sleep 0.1
  done
}

# Never lets a JACK client start a server: only the processes these tests start run one.
server_answers() { JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=$1 jack_lsp >/dev/null 2>&1; }
jackd_named() { pgrep -f -- "jackd .*(-n ?|--name[= ])$1( |\$)" >/dev/null; }

# start_jackd NAME DIR: a server with the dummy driver; its pid in DIR/jackd.pid. JACK's table
# holds a few servers of the whole machine: while it is full (servers of other build trees' tests),
# it tries again.
start_jackd() {
  local name=$1 dir=$2 deadline=$(($(now_ms) + 60000))
  ! server_answers "$name" || fail "a JACK server named $name is running already"
  while :; do
    jackd --no-realtime -n "$name" -d dummy -r 48000 -p 1024 </dev/null >"$dir/jackd.log" 2>&1 &
    echo $! >"$dir/jackd.pid"
    wait_until 60 server_answers_or_ended "$name" "$(<"$dir/jackd.pid")" ||
      fail "jackd $name did not answer within 60 s: $(cat "$dir/jackd.log")"
    server_answers "$name" && return 0
    grep -q "many servers" "$dir/jackd.log" && (($(now_ms) < deadline)) ||
      fail "jackd $name ended at once: $(cat "$dir/jackd.log")"
    sleep 0.5
  done
}
server_answers_or_ended() { server_answers "$1" || ended "$2"; }

# start_sim SERVER DIR [OPTION...]: corvale-sim on a copy of the example bank, with the options
# given (--drop P ...); its pid in DIR/sim.pid.
start_sim() {
  local server=$1 dir=$2
  shift 2
  cp "$DEMO_BANK" "$dir/sim.s2a"
  JACK_DEFAULT_SERVER=$server "$CORVALE_SIM" -v "$@" "$dir/sim.s2a" </dev/null >"$dir/sim.log" 2>&1 &
  echo $! >"$dir/sim.pid"
  wait_until 60 grep -qx "Simulated S80 ready on JACK" "$dir/sim.log" ||
    fail "corvale-sim on $server was not ready within 60 s: $(cat "$dir/sim.log")"
}

# stop PIDFILE MARK: ends the process with SIGTERM, only while its command line still holds
# MARK (a pid of an earlier run may belong to another program by now); fails when it does not
# end within 30 s.
stop() {
  local file=$1 mark=$2 pid
  [[ -f $file ]] || return 0
  pid=$(<"$file")
  rm -f "$file"
  running "$pid" && grep -qF -- "$mark" <<<"$(tr '\0' ' ' <"/proc/$pid/cmdline")" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  wait_until 30 ended "$pid" && return 0
  kill -KILL "$pid" 2>/dev/null || true
  fail "$(basename "$file" .pid) ($pid) did not end within 30 s of SIGTERM"
}

stop_all() {
  local server=$1 dir=$2
  stop "$dir/sim.pid" "$dir/sim.s2a"
  stop "$dir/jackd.pid" "-n $server"
  ! jackd_named "$server" || fail "a jackd named $server is still running"
}

# A scratch folder and settings file of the test's own. A loaded machine can hold a JACK client
# back for longer than the built-in quiet time, which would end a receive in the middle of an
# answer; an answered receive ends at its footer, so only a lost answer waits this longer one.
scratch() {
  rm -rf "${E2E_STATE:?}/$1"
  mkdir -p "$E2E_STATE/$1"
  cd "$E2E_STATE/$1"
  export CORVALE_SETTINGS=$PWD/settings.conf
  export XDG_DATA_HOME=$PWD/data  # programs received join the library there
  echo "MidiInputTimeout=300" >"$CORVALE_SETTINGS"
}

cli() { "$CORVALE_CLI" "$@" </dev/null; }

# The number `ports` gives the simulator's port among the Input or Output ports.
sim_port() {
  cli ports | awk -v heading="$1 ports:" '
    /^[A-Z]/ { within = ($0 == heading) }
    within && /^  [0-9]+\*? Simulated S80 \(JACK\)$/ { sub(/\*/, "", $1); print $1; exit }'
}

# SIM_PORTS: the --in and --out options of the simulator's ports.
find_sim_ports() {
  local in out
  in=$(sim_port Input)
  out=$(sim_port Output)
  [[ -n $in && -n $out ]] || fail "\"Simulated S80 (JACK)\" is not among the ports: $(cli ports)"
  SIM_PORTS=(--in "$in" --out "$out")
}

# A MIDI verb on the simulator's ports.
midi() { cli "$@" "${SIM_PORTS[@]}"; }

# A JACK client that misses cycles (any client on a loaded machine, corvale-sim included) loses
# the messages those cycles carry, so a round trip over JACK verifies what it sends: the item is
# read back (asking again for what is lost on the way back) and sent again when it differs or
# did not come back whole. verified_send DOC ITEM: such a send; where that still holds after the
# tool's second send (each loses a message now and then on a busy machine), the whole verified
# send once more, up to three times. Fails on any other failure.
verified_send() {
  local attempt status
  for attempt in 1 2 3; do
    status=0
    midi send "$@" --verify --retries 5 2>send.err || status=$?
    echo "verified send $* ($attempt): $(cat send.err)"
    ((status == 0)) && return 0
    grep -q "read back different\|differs from\|read back whole" send.err ||
      fail "send $* failed: $(cat send.err)"
  done
  fail "send $* still not read back the same after $attempt verified sends"
}

# patient_receive DOC ITEM OUT: a receive that asks again up to 5 times for what did not arrive.
patient_receive() {
  midi receive "$@" --retries 5
}
