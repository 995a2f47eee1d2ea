#!/usr/bin/env bash
# Runs a test program in a desktop session of its own:
#   secret-service  a session bus with a GNOME keyring, unlocked with a password on its input
#   no-service      a session bus on which no keyring answers
#   no-bus          no session bus at all
# Usage: run_keyring_test.sh MODE PROGRAM [ARGS...]
set -euo pipefail

mode=$1
shift

if [ "${VELLORAN_KEYRING_INSIDE:-}" != "$mode" ]; then
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    export HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" \
        XDG_DATA_HOME="$root/home/.local/share" XDG_CACHE_HOME="$root/home/.cache" \
        XDG_RUNTIME_DIR="$root/run" VELLORAN_KEYRING_ROOT="$root"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # Nothing of the desktop the tests run from: no display to autolaunch a bus with, no
    # desktop name that would pick another keyring.
    unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID \
        KDE_FULL_SESSION GNOME_KEYRING_CONTROL
    export VELLORAN_KEYRING_TEST="$mode" VELLORAN_KEYRING_INSIDE="$mode"
    case "$mode" in
    secret-service)
        rc=0
        dbus-run-session -- "$0" "$mode" "$@" 2> >(grep -v "Failed to set fd limit" >&2) || rc=$?
        exit $rc
        ;;
    no-service)
        # A bus that can start nothing: no service folders, so no keyring is activated.
        cat >"$root/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$root</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
        rc=0
        dbus-run-session --config-file="$root/session.conf" -- "$0" "$mode" "$@" \
            2> >(grep -v "Failed to set fd limit" >&2) || rc=$?
        exit $rc
        ;;
    no-bus)
        export DBUS_SESSION_BUS_ADDRESS="unix:path=$root/no-bus-here"
        exec "$0" "$mode" "$@"
        ;;
    *)
        echo "run_keyring_test.sh: unknown mode $mode" >&2
        exit 2
        ;;
    esac
fi

if [ "$mode" = secret-service ]; then
    # The keyring's password arrives on its input; a new login keyring is made with it.
    printf '%s' "keyring-test-password" |
        gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null &
    daemon=$!
    trap 'kill $daemon 2>/dev/null || true; wait $daemon 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do
        if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
            grep -q "boolean true"; then
            break
        fi
        sleep 0.05
    done
    rc=0
    "$@" || rc=$?
    exit $rc
fi
exec "$@"
