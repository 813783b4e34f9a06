#!/usr/bin/env bash
# kvboard across processes on the loopback interface: a relay (--serve) and participants
# playing scripted sessions (--join ... --script). Boards are compared stroke for stroke, uuids
# included, in any order (participants drawing at once see each other's strokes arrive in
# different orders).
# Usage: network.sh KVBOARD HOSTILE SCENARIO, SCENARIO one of: three, security, restart, hostile.
set -euo pipefail
kvboard=$1
hostile=$2
scenario=$3
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A participant's session at column $1: four strokes ($WAIT ms apart), the eraser across the
# first, undo and redo of that, and two fingers at once. Five strokes stay.
session() {
    local x=$1 y=100 s i
    echo '{"steps":[{"do":"tool","tool":"pen","width":6},'
    for s in 0 1 2 3; do
        echo "{\"do\":\"press\",\"at\":[$x,$((y + s * 60))]},"
        for i in $(seq 1 10); do echo "{\"do\":\"move\",\"at\":[$((x + i * 15)),$((y + s * 60 + i % 3))]},"; done
        echo '{"do":"release"},'
        echo "{\"do\":\"wait\",\"ms\":${WAIT:-0}},"
    done
    echo '{"do":"tool","tool":"eraser"},'
    echo "{\"do\":\"press\",\"at\":[$((x + 75)),$((y - 12))]},{\"do\":\"move\",\"at\":[$((x + 75)),$y]},"
    echo "{\"do\":\"move\",\"at\":[$((x + 75)),$((y + 10))]},{\"do\":\"release\"},{\"do\":\"undo\"},{\"do\":\"redo\"},"
    echo "{\"do\":\"tool\",\"tool\":\"pen\"},{\"do\":\"touchPress\",\"id\":1,\"at\":[$x,400]},"
    echo "{\"do\":\"touchPress\",\"id\":2,\"at\":[$x,450]},"
    for i in $(seq 1 10); do
        echo "{\"do\":\"touchMove\",\"id\":1,\"at\":[$((x + i * 15)),400]},{\"do\":\"touchMove\",\"id\":2,\"at\":[$((x + i * 15)),450]},"
    done
    echo '{"do":"touchRelease","id":1},{"do":"touchRelease","id":2}]}'
}
echo '{"steps":[]}' >"$work/empty.json"

# Starts a relay with the given options; sets $relay (its pid) and $port.
start_relay() {
    local out=$work/relay.$RANDOM
    "$kvboard" --serve "$@" >"$out.out" 2>"$out.err" &
    relay=$!
    pids+=("$relay")
    relay_out=$out.out
    relay_err=$out.err
    for _ in $(seq 200); do
        grep -q '^kvboard: serving on wss\?://.*:[0-9]*$' "$out.out" 2>/dev/null && break
        kill -0 "$relay" 2>/dev/null || fail "relay did not start: $(cat "$out.err")"
        sleep 0.1
    done
    port=$(sed -n 's/^kvboard: serving on .*:\([0-9]*\)$/\1/p' "$out.out")
    [ -n "$port" ] || fail "relay printed no address"
}

stop_relay() {
    kill -TERM "$relay"
    wait "$relay" || fail "relay exited $? on SIGTERM"
}

# Starts a participant in the background: join NAME SESSION [options]; its outputs go to
# $work/NAME; `finished NAME...` waits for participants to exit 0. Participants linger until
# their board holds all the strokes the scenario leaves (`lingering N`): however late the others
# start, or however long the relay takes to pass their ink on, the boards are compared whole.
join() {
    local name=$1 script=$2
    shift 2
    "$kvboard" --join "ws://127.0.0.1:$port/lesson" --name "$name" --script "$script" \
        --out "$work/$name" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    pids+=($!)
    eval "pid_$name=$!"
}

# Waits until the named participants have received the board.
synced() {
    local name pid_var
    for name in "$@"; do
        pid_var=pid_$name
        until grep -q 'Synced' "$work/$name.err" 2>/dev/null; do
            kill -0 "${!pid_var}" 2>/dev/null || fail "$name ended unsynced: $(tail -n 3 "$work/$name.err")"
            sleep 0.1
        done
    done
}

lingering() {
    echo --until-strokes "$1" --linger 90000
}

finished() {
    local name
    for name in "$@"; do
        local pid_var=pid_$name rc=0
        wait "${!pid_var}" || rc=$?
        [ $rc = 0 ] || fail "$name exited $rc: $(tail -n 3 "$work/$name.err")"
    done
}

# The strokes of a board document, one line each, sorted.
strokes() {
    awk '/<strokesGroup>/ { group = ""; inside = 1 }
         inside { sub(/^ +/, ""); group = group $0 }
         /<\/strokesGroup>/ { inside = 0; print group }' "$1" | sort
}

# same_boards COUNT FILE...: every board holds the same COUNT strokes.
same_boards() {
    local count=$1 first=$2 file
    shift
    [ "$(strokes "$first" | wc -l)" = "$count" ] || fail "$first holds $(strokes "$first" | wc -l) strokes, not $count"
    for file in "$@"; do
        cmp -s <(strokes "$first") <(strokes "$file") || fail "$file differs from $first"
    done
}

case $scenario in
three)
    # Three participants at once, then a late joiner; the relay saves the room on SIGTERM.
    start_relay 0 --board "$work/room.xml"
    for n in 0 1 2; do
        session $((100 + n * 400)) >"$work/s$n.json"
        join "p$n" "$work/s$n.json" $(lingering 15)
    done
    finished p0 p1 p2
    join late "$work/empty.json" $(lingering 15)
    finished late
    stop_relay
    same_boards 15 "$work"/p{0,1,2}/board.xml "$work/late/board.xml" "$work/room.lesson.xml"
    ;;
security)
    start_relay 0 --token s3cret-t0ken
    for token in wrong ""; do
        "$kvboard" --join "ws://127.0.0.1:$port/lesson" --token "$token" --script "$work/empty.json" \
            --out "$work/refused" >/dev/null 2>"$work/refused.err" && fail "joined with token '$token'"
        [ $? = 2 ] || fail "refused participant did not exit 2"
        grep -q '^kvboard: refused by .*: wrong token$' "$work/refused.err" \
            || fail "no one-line reason: $(cat "$work/refused.err")"
    done
    session 100 >"$work/s.json"
    join ok "$work/s.json" --token s3cret-t0ken
    finished ok
    stop_relay
    ! grep -q s3cret "$relay_out" "$relay_err" || fail "the token was logged"
    # Unreachable: nothing listens on the port any more.
    "$kvboard" --join "ws://127.0.0.1:$port/lesson" --script "$work/empty.json" --out "$work/gone" \
        >/dev/null 2>"$work/gone.err" && fail "joined a relay that is gone"
    grep -q '^kvboard: cannot reach' "$work/gone.err" || fail "no reason: $(cat "$work/gone.err")"
    # wss:// with a throw-away self-signed certificate.
    openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost \
        -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
        -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
    start_relay 0 --cert "$work/cert.pem" --key "$work/key.pem"
    grep -q '^kvboard: serving on wss://' "$relay_out" || fail "not serving wss://"
    "$kvboard" --join "wss://127.0.0.1:$port/lesson" --cert "$work/cert.pem" --script "$work/s.json" \
        --out "$work/tls" >/dev/null 2>"$work/tls.err" || fail "wss:// join failed: $(cat "$work/tls.err")"
    stop_relay
    same_boards 5 "$work/ok/board.xml"
    same_boards 5 "$work/tls/board.xml"
    ;;
restart)
    # The relay is killed while two participants draw, and comes back on the same port and file.
    start_relay 0 --board "$work/room.xml"
    WAIT=800 session 100 >"$work/s0.json"
    WAIT=800 session 500 >"$work/s1.json"
    # Lingering until a stroke erased offline and sent back by the other participant has been
    # erased again (a restarted relay no longer knows it was erased).
    join p0 "$work/s0.json" $(lingering 10)
    join p1 "$work/s1.json" $(lingering 10)
    synced p0 p1
    sleep 1
    kill -KILL "$relay"
    wait "$relay" 2>/dev/null || true
    sleep 0.5
    start_relay "$port" --board "$work/room.xml"
    finished p0 p1
    stop_relay
    # The saved room loads back for a newcomer.
    start_relay "$port" --board "$work/room.xml"
    join late "$work/empty.json" $(lingering 10)
    finished late
    stop_relay
    same_boards 10 "$work"/p{0,1}/board.xml "$work/room.lesson.xml" "$work/late/board.xml"
    # A room file that does not load keeps the relay from starting, rather than being saved over.
    cp "$work/room.lesson.xml" "$work/kept.xml"
    head -c 2000 "$work/kept.xml" >"$work/room.lesson.xml"
    cp "$work/room.lesson.xml" "$work/damaged.xml"
    status=0
    timeout 60 "$kvboard" --serve 0 --board "$work/room.xml" >/dev/null 2>"$work/damaged.err" \
        || status=$?
    [ "$status" = 2 ] && grep -q "cannot load .*room.lesson.xml" "$work/damaged.err" \
        || fail "a damaged room file: exit $status, $(cat "$work/damaged.err")"
    cmp -s "$work/room.lesson.xml" "$work/damaged.xml" || fail "the damaged room file was changed"
    ;;
hostile)
    start_relay 0 --token t
    WAIT=300 session 100 >"$work/s0.json"
    WAIT=300 session 500 >"$work/s1.json"
    join p0 "$work/s0.json" --token t $(lingering 10)
    join p1 "$work/s1.json" --token t $(lingering 10)
    synced p0 p1
    "$hostile" "ws://127.0.0.1:$port/lesson" t 5000 || fail "hostile client: $?"
    finished p0 p1
    stop_relay
    same_boards 10 "$work"/p{0,1}/board.xml
    read -r oversized malformed unknown rate < <(sed -n \
        's/^kvboard: refused [0-9]* frames (\([0-9]*\) oversized, \([0-9]*\) malformed, \([0-9]*\) of an unknown kind, \([0-9]*\) over the rate)$/\1 \2 \3 \4/p' "$relay_out")
    [ "${oversized:-0}" -ge 3 ] && [ "${malformed:-0}" -ge 51 ] && [ "${unknown:-0}" -ge 10 ] \
        && [ "${rate:-0}" -ge 1 ] || fail "refusals not counted: $(tail -n 1 "$relay_out")"
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "$scenario: passed"
