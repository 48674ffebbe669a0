#!/bin/sh
# Runs a test program in a fresh temporary home folder (HOME set, XDG variables cleared), so nothing a test makes
# in the user's folders reaches the real home; temporary files go below it too (TMPDIR), and the folder is removed
# afterwards.
home=$(mktemp -d "${TMPDIR:-/tmp}/drovik-home-XXXXXX") || exit 1
unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_STATE_HOME
mkdir -p "$home/tmp"
HOME=$home TMPDIR=$home/tmp "$@"
rc=$?
rm -rf "$home"
exit $rc
