#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The licence-line script on a small checkout of its own: --check fails
# while lines are missing; the fix puts the right line in the right place
# (after a "#!" line, "//" or "#"), touches no data file, keeps the mode,
# leaves another licence alone, and a second run changes nothing.
set -euo pipefail
spdx=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

git init -q .
mkdir -p libqvr/src libserio/tests tools/x fuzz/corpus/t resources .ci
printf 'int a;\n' >libqvr/src/a.cpp
printf '#pragma once\n' >libserio/tests/b.h
printf 'int main() {}\n' >tools/x/main.cpp
printf 'project(x)\n' >CMakeLists.txt
printf 'set(A 1)\n' >libqvr/rules.cmake
printf '#!/usr/bin/env bash\necho hi\n' >.ci/run
chmod +x .ci/run
printf 'all:\n\ttrue\n' >Makefile
printf 'not a source\n' >resources/notes.md
printf 'int fuzz;\n' >fuzz/corpus/t/input.cpp
printf '// SPDX-License-Identifier: MIT\nint c;\n' >tools/x/other.cpp
: >tools/x/empty.h
git add -A

if "$spdx" --check . >/dev/null 2>&1; then fail "--check passed with lines missing"; fi
[ "$(cat libqvr/src/a.cpp)" = 'int a;' ] || fail "--check changed a file"

if "$spdx" . >/dev/null 2>&1; then fail "the fix passed with another licence present"; fi
expect() { [ "$(cat "$1")" = "$(printf "$2")" ] || fail "$1 reads: $(cat "$1")"; }
expect libqvr/src/a.cpp '// SPDX-License-Identifier: BSD-2-Clause\nint a;'
expect libserio/tests/b.h '// SPDX-License-Identifier: BSD-2-Clause\n#pragma once'
expect tools/x/main.cpp '// SPDX-License-Identifier: GPL-2.0-or-later\nint main() {}'
expect CMakeLists.txt '# SPDX-License-Identifier: GPL-2.0-or-later\nproject(x)'
expect libqvr/rules.cmake '# SPDX-License-Identifier: BSD-2-Clause\nset(A 1)'
expect .ci/run '#!/usr/bin/env bash\n# SPDX-License-Identifier: GPL-2.0-or-later\necho hi'
expect Makefile '# SPDX-License-Identifier: GPL-2.0-or-later\nall:\n\ttrue'
expect tools/x/empty.h '// SPDX-License-Identifier: GPL-2.0-or-later'
expect resources/notes.md 'not a source'
expect fuzz/corpus/t/input.cpp 'int fuzz;'
expect tools/x/other.cpp '// SPDX-License-Identifier: MIT\nint c;'
[ -x .ci/run ] || fail "the script lost its mode"

# Untracked files are not the project's.
printf 'int u;\n' >tools/x/untracked.cpp
git rm -q --cached tools/x/other.cpp
"$spdx" --check . >/dev/null || fail "--check failed once every tracked file had its line"
expect tools/x/untracked.cpp 'int u;'
before=$(cat libqvr/src/a.cpp)
"$spdx" . >/dev/null || fail "a second run failed"
[ "$(cat libqvr/src/a.cpp)" = "$before" ] || fail "a second run changed a file"
echo "spdx script: ok"
