#!/usr/bin/env bash
# The settings tests that need file permissions to bind: a read-only config folder and
# an unreadable settings file. Run as root (permissions do not bind root), they run
# again here as the unprivileged user nobody.
# Usage: settings_unprivileged.sh <build> <source>
set -u
build=$1
if [ "$(id -u)" -ne 0 ]; then
    echo "settings_unprivileged: not root; test_settings ran these cases itself"
    exit 0
fi
if ! command -v setpriv >/dev/null || ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$build/test_settings"; then
    echo "settings_unprivileged: skipped (no setpriv, or nobody cannot reach $build)"
    exit 0
fi
cd /tmp
HOME=/nonexistent setpriv --reuid=65534 --regid=65534 --clear-groups \
    "$build/test_settings" --gtest_filter='*ReadOnly*' 2>&1 |
    tee /tmp/settings_unprivileged.$$ | tail -3
status=${PIPESTATUS[0]}
grep -q '\[  PASSED  \] 1 test' /tmp/settings_unprivileged.$$ || status=1
rm -f /tmp/settings_unprivileged.$$
exit "$status"
