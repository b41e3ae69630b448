#!/usr/bin/env bash
# Runs a command in a private mount and network namespace: only the loopback interface, and a
# hosts file in which update.corvane.com is 127.0.0.1. The machine's /etc/hosts, its network
# and its port 443 are untouched; everything ends with the command.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }

if [ "${CORVANE_IN_NAMESPACE:-}" != 1 ]; then
  # Root may make namespaces directly; anyone else maps themselves to root in a user namespace.
  user_ns=()
  [ "$(id -u)" -eq 0 ] || user_ns=(--user --map-root-user)
  exec unshare "${user_ns[@]}" --mount --net --propagation private \
    env CORVANE_IN_NAMESPACE=1 "$0" "$@"
fi

ip link set lo up
hosts=$(mktemp /tmp/corvane-hosts.XXXXXX)
cat >"$hosts" <<'HOSTS'
127.0.0.1	localhost
127.0.0.1	update.corvane.com
::1	localhost ip6-localhost ip6-loopback
HOSTS
chmod 644 "$hosts"
if [ ! -e /etc/hosts ]; then
  # A minimal system may have none, and a file can only be mounted over a file: this namespace
  # gets a copy of /etc, in memory, with the hosts file in it; the machine's /etc stays as it is.
  etc=$(mktemp -d /tmp/corvane-etc.XXXXXX)
  mount -t tmpfs -o mode=755 tmpfs "$etc"
  cp -a /etc/. "$etc/"
  cp "$hosts" "$etc/hosts"
  mount --bind "$etc" /etc
else
  mount --bind "$hosts" /etc/hosts
fi
rm -f "$hosts"
exec "$@"
