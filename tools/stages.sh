# Shared by tools/fresh-check.sh and tools/package-check.sh, which source it after defining `say`
# and a `running` variable that their exit trap reads to end a stage still running.

stage_names=()
stage_seconds=()

# Runs a stage (a command) in a process group of its own, so the trap can end the whole of it,
# and records its time.
stage() {
    local name=$1
    shift
    say "$name"
    local start=$SECONDS
    "$@" &
    running=$!
    wait "$running"
    running=
    stage_names+=("$name")
    stage_seconds+=($((SECONDS - start)))
    say "$name: done in $((SECONDS - start)) s"
}

print_stage_times() {
    say "passed; the stages took:"
    local i
    for i in "${!stage_names[@]}"; do
        printf '  %5d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
    done
}

# The host's own archive with apt's label LABEL (Debian, Debian-Security): the roots and chroots
# are fetched from the same places as the host's packages.
host_site() {
    apt-get indextargets --format '$(SITE) $(LABEL)' 'Identifier: Packages' 2>/dev/null |
        awk -v label="$1" '$2 == label {print $1; exit}'
}
