#!/usr/bin/env bash
# The hook that .pre-commit-hooks.yaml declares, run by the pre-commit
# framework as a team would: a scratch repository takes it from a copy of
# this one, with the built trapwright on the PATH. A commit with a
# procedure missing its handler is refused; one without is made.
#   tests/pre_commit_test.sh TRAPWRIGHT SOURCE_ROOT
# Exits 77 (skipped) when pre-commit is not installed.
set -euo pipefail
cli=$(realpath "$1")
source_root=$2
if ! command -v pre-commit >/dev/null; then
  echo "pre-commit is not installed; scripts/install-deps installs it" >&2
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
ln -s "$cli" "$work/bin/trapwright"
export PATH="$work/bin:$PATH" PRE_COMMIT_HOME="$work/cache"
export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.invalid
export GIT_COMMITTER_NAME=test GIT_COMMITTER_EMAIL=test@example.invalid
export GIT_CONFIG_GLOBAL=/dev/null GIT_CONFIG_NOSYSTEM=1

# The hooks' repository: this project's declaration, committed.
git init -q "$work/hooks"
cp "$source_root/.pre-commit-hooks.yaml" "$work/hooks/"
git -C "$work/hooks" add .pre-commit-hooks.yaml
git -C "$work/hooks" commit -q -m hooks
rev=$(git -C "$work/hooks" rev-parse HEAD)

git init -q "$work/project"
cd "$work/project"
cat >.pre-commit-config.yaml <<CONFIG
repos:
  - repo: $work/hooks
    rev: $rev
    hooks:
      - id: trapwright-check
CONFIG
git add .pre-commit-config.yaml
git commit -q -m config
pre-commit install >/dev/null

fail() { echo "FAILED: $*" >&2; exit 1; }

# A module whose procedure has its block, and a text file the hook ignores.
printf 'Sub Handled()\r\nEnd Sub\r\n' >Handled.bas
trapwright transform Handled.bas
printf 'Sub NotVb()\r\n' >notes.txt
git add Handled.bas notes.txt
git commit -q -m handled >"$work/passed" 2>&1 || { cat "$work/passed" >&2; fail "a commit of handled code was refused"; }

# A class whose procedure lacks its handler.
printf 'Public Function Bare() As Long\r\nEnd Function\r\n' >Bare.cls
git add Bare.cls
if git commit -q -m bare >"$work/refused" 2>&1; then fail "a commit with a procedure missing its handler was made"; fi
grep -q "Bare.cls:1: Bare has no error handler" "$work/refused" || { cat "$work/refused" >&2; fail "the finding was not shown"; }
[[ $(git rev-list --count HEAD) -eq 2 ]] || fail "the refused commit is in the history"
echo "pre-commit hook: handled code committed, a procedure without its handler refused"
