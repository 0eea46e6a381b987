#!/bin/bash
# Runs a command in a network namespace of its own holding only loopback,
# up, with multicast on and the multicast range routed to it: a discovery
# probe sent there never reaches a real interface. Needs root (CI is).
set -eu
exec unshare -n bash -c '
    ip link set lo up
    ip link set lo multicast on
    ip route add 224.0.0.0/4 dev lo
    exec "$@"' run-in-netns "$@"
