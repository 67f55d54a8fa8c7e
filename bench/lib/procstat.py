"""Memory and CPU time of a running process, from /proc."""

import os

_TICK = os.sysconf("SC_CLK_TCK")


def memory_kib(pid):
    """(resident now, resident peak) in KiB."""
    values = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in ("VmRSS", "VmHWM"):
                values[name] = int(rest.split()[0])
    return values.get("VmRSS", 0), values.get("VmHWM", 0)


def private_kib(pid):
    """(proportional set size, unique set size) in KiB, from smaps_rollup. Both move with what
    other processes map: a library page another running program also maps is shared, not
    private, so they are compared within one run."""
    values = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in ("Pss", "Private_Clean", "Private_Dirty"):
                values[name] = int(rest.split()[0])
    return values.get("Pss", 0), values.get("Private_Clean", 0) + values.get("Private_Dirty", 0)


def resident_by_file_kib(pid):
    """Resident KiB per mapped file, from smaps; memory of no file (heap, stacks, anonymous
    mappings) under "" ."""
    sizes = {}
    name = ""
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            head = line.split()
            if not head:
                continue
            if "-" in head[0] and not head[0].endswith(":"):
                # A mapping's first line: range, mode, offset, device, inode, path.
                name = head[5] if len(head) > 5 and head[5].startswith("/") else ""
            elif head[0] == "Rss:":
                sizes[name] = sizes.get(name, 0) + int(head[1])
    return sizes


def window_added_kib(window_pid, console_pid):
    """What a windowed program holds beyond a console one: its resident memory in files the
    console program does not map, and all its memory of no file."""
    window = resident_by_file_kib(window_pid)
    console = resident_by_file_kib(console_pid)
    return sum(kib for name, kib in window.items() if name == "" or name not in console)


def cpu_seconds(pid):
    """Time on the CPU of the process's live threads so far, in nanosecond steps (the scheduler's
    own count; /proc/PID/stat counts in 10 ms ticks, too coarse for an idle client). Falls back to
    the tick count where schedstat is missing."""
    total = 0
    try:
        for task in os.listdir("/proc/%d/task" % pid):
            try:
                with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                    total += int(f.read().split()[0])
            except (FileNotFoundError, ProcessLookupError):
                continue  # the thread ended meanwhile
        return total / 1e9
    except FileNotFoundError:
        return cpu_ticks_seconds(pid)


def cpu_ticks_seconds(pid):
    """User plus system time of every thread of the process so far, in clock ticks."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # fields[0] is the state (field 3); utime and stime are fields 14 and 15.
    return (int(fields[11]) + int(fields[12])) / _TICK
