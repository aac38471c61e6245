#!/usr/bin/env python3
"""Writes the seed corpora of fuzz/corpus/ afresh (run from anywhere).

Seeds are small inputs that reach the interesting paths at once: reports in the
system-information tool's layout with choices that find their windows, size and
range texts, profiles, and step lists for the library. The fuzz targets read
their choices from the end of an input, as FuzzedDataProvider does: a value of
n bytes is taken from the last n bytes, the last byte most significant.
"""
import json
import pathlib
import shutil
import struct

FUZZ = pathlib.Path(__file__).resolve().parent
ROOT = FUZZ.parent
CORPUS = FUZZ / "corpus"


def tail(*values):
    """Choices as FuzzedDataProvider reads them: (value, bytes) in reading order."""
    out = b""
    for value, width in values:
        out = value.to_bytes(width, "little") + out
    return out


def utf16(text):
    return text.encode("utf-16-le")


def report(io, memory, problems, headings=("[I/O]", "[Memory]", "[Problem Devices]")):
    rows = ["\ufeffSystem Name: FUZZ-PC", ""]
    for heading, ranges in ((headings[0], io), (headings[1], memory)):
        rows += [heading, "", "Resource\tDevice\tStatus\t"]
        rows += [f"0x{s:08X}-0x{e:08X}\t{name}\tOK\t" for s, e, name in ranges]
        rows.append("")
    rows += [headings[2], "", "Device\tPNP Device ID\tError Code\t"]
    rows += [f"{name}\t{pnp}\tThis device is disabled. (Code 22)\t" for name, pnp in problems]
    return utf16("\r\n".join(rows) + "\r\n")


def engine_seed(report_bytes, board, io_address, memory_address, size, *, japanese=False, place=0, folder=0,
                from_report=True, window=(0, 0)):
    return report_bytes + tail((board, 1), (int(japanese), 1), (int(japanese), 1), (place, 1), (folder, 1),
                               (int(from_report), 1), (io_address, 4), (memory_address, 4), (size, 4),
                               (window[0], 4), (window[1], 4))


def report_engine_seeds():
    worked = report(
        io=[(0x0D00, 0xFFFF, "PCI bus"), (0xE000, 0xEFFF, "Root port"), (0xE000, 0xE0FF, "Nordvale KB20")],
        memory=[(0xF0000000, 0xF3FFFFFF, "PCI bus"), (0xF2000000, 0xF2FFFFFF, "bridge"),
                (0xF2000000, 0xF2003FFF, "Nordvale KB20"), (0xF0000000, 0xF00FFFFF, "device"),
                (0xFED00000, 0xFED003FF, "HPET")],
        problems=[("SATA controller", "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01\\4&1A2B3C4D&0&00E0")])
    ja = report(io=[(0x0D00, 0xFFFF, "PCI バス")], memory=[(0xF0000000, 0xF3FFFFFF, "PCI バス"),
                                                           (0xF1000000, 0xF10FFFFF, "デバイス")],
                problems=[], headings=("[I/O]", "[メモリ]", "[問題のあるデバイス]"))
    demo = (ROOT / "sim/sample-reports/msinfo.txt").read_bytes()
    return {
        "worked-example-kb20": engine_seed(worked, 1, 0xE001, 0xF2000000, 0x600000),
        "worked-example-ka10-problem": engine_seed(worked, 0, 0xE001, 0xF2000000, 0x180000),
        "worked-example-full-disk": engine_seed(worked, 2, 0xE001, 0xF2000000, 0x100000, folder=7),
        "many-small-blocks": engine_seed(worked, 1, 0xE001, 0xF2000000, 0x1, from_report=False,
                                         window=(0x00000000, 0xFFFFFFFF)),
        "japanese-headings": engine_seed(ja, 2, 0xE001, 0xF1000000, 0x600000, japanese=True),
        "demo-report": engine_seed(demo, 1, 0xE001, 0xF7E00000, 0x600000),
        "report-held-open": engine_seed(worked, 1, 0xE001, 0xF2000000, 0x600000, place=5),
        "empty-report": engine_seed(b"", 1, 0, 0, 0),
    }


def hex_number_seeds():
    texts = ["600000", "0x1000", "  -0x10", "FFFFFFFF0", "+7fffffff", "0x", "",
             "0xFED00000-0xFED003FF\tHPET\tOK\t", "0xFED00000 - 0xFED003FF\tHPET\t", "0x0xA-0x0xB\t",
             "0xFFFFFFFF0-0x1\tx\t", "0x1000-0x0FFF\tbackwards\t"]
    return {f"text-{i:02d}": utf16(t) for i, t in enumerate(texts)}


def profile_seeds():
    minimal = {
        "windows": {"directory": "D:\\OS\\Windows", "version": "5.1", "language": "ja", "comspec": "C:\\cmd.exe"},
        "pci": [{"bus": 1, "device": 0, "function": 0,
                 "config": {"0x00": "0x01021195", "0x10": "0xF7E00000", "0x94": "0x01021195"}}],
        "resources": {"io": [{"start": "0x0D00", "end": "0xFFFF", "device": "PCI バス"}],
                      "memory": [{"start": "0xF0000000", "end": "0xF7FFFFFF", "device": "PCI bus", "status": "OK"}],
                      "problemDevices": [{"device": "x", "pnpDeviceId": "PCI\\VEN_1195&DEV_0102", "error": "Code 22"}]},
        "faults": {"driverService": {"startError": 2001}, "driverFileMissing": False,
                   "systemInfoTool": {"writesNoFile": True}},
    }
    seeds = {"minimal": json.dumps(minimal, ensure_ascii=False).encode()}
    for name in ("demo", "report-tool-fails"):
        seeds[name] = (ROOT / "examples" / f"{name}.json").read_bytes()
    return seeds


def library_steps(*steps):
    """Steps of (operation, [(value, bytes) ...]) in the order the target reads them."""
    values = []
    for op, args in steps:
        values.append((op, 1))
        values += args
    return tail(*values)


def library_exports_seeds():
    init, exit_, read, last, window, progress, other, fail_requests, fail_open, fail_starts, fail_manager, busy, \
        driver_file, folder = range(14)
    # The board's base register: identity and match words of the board, offset 0x10, an output word.
    board_bar = (read, [(0, 1), (0, 1), (0, 4), (0, 1), (1, 1)])
    board_io = (read, [(0, 1), (1, 1), (0, 4), (1, 1), (1, 1)])
    return {
        "init-read-exit": library_steps((init, []), board_bar, (last, []), (exit_, [])),
        "service-stopped-between-reads": library_steps((init, []), board_bar, (other, [(1, 1), (0, 1)]), board_io,
                                                       (exit_, [])),
        "exit-while-busy": library_steps((init, []), (busy, [(1, 1)]), (exit_, []), (progress, [(1, 1)]),
                                         (busy, [(0, 1)]), (exit_, [])),
        "start-fails-then-retry": library_steps((fail_starts, [(0, 4), (4, 1), (2, 1)]), (init, []), (init, []),
                                                (window, [(1, 1), (0, 4), (1, 1)]), (exit_, [])),
        # Texts come from the front of an input, each ended by a backslash and another character.
        "long-folder": b"a" * 300 + b"\\n" + library_steps((folder, []), (init, []), (exit_, [])),
    }


def controller_exports_seeds():
    search, search_ex, new, info, scontrol, erase, read, compare, write, bios_info, file_info, image_file, \
        progress, await_, exit_, init, window, fail_requests, clear_faults, service, file_fault, thread_fails, \
        hardware = range(23)
    # The machine: a chip with version 7.3.15 of 10/27/2010 (or a blank one, or the input's first bytes), no
    # limit on its ports, no second controller, the filter's driver file, the window registered.
    def machine(image=2, second=0, filter_file=1):
        return [(image, 1), (0, 1), (second, 1)] + ([(0, 1)] if second else []) + [(filter_file, 1), (1, 1)]

    first, out_bin, bios_bin, long_name = (0, 1), (3, 1), (1, 1), (7, 1)
    no_hold = [(0, 1)]

    def hold(at):
        return [(1, 1), (0, 2), ({0: 0, 1: 1, 21: 2, 2047: 3}[at], 1)]

    def index(pick=first):
        return [(0, 4), pick]

    def seed(setup, *steps, front=b""):
        values = list(setup)
        for op, args in steps:
            values.append((op, 1))
            values += args
        return front + tail(*values)

    found = (search, [(1, 1)])
    return {
        "read-then-compare": seed(machine(), found, (read, index() + [bios_bin] + no_hold),
                                  (compare, index() + [bios_bin] + no_hold), (bios_info, index() + [(1, 1)]),
                                  (file_info, [bios_bin, (1, 1)])),
        "exit-while-busy": seed(machine(), found, (read, index() + [out_bin] + hold(21)), (exit_, []),
                                (progress, [(1, 1)]), (compare, index() + [bios_bin] + no_hold), (erase, index()),
                                (bios_info, index() + [(1, 1)]), (await_, []), (exit_, [])),
        "write-short-file": seed(machine(), (image_file, [(0, 1), (1, 1)]), found,
                                 (write, index() + [bios_bin] + no_hold), (compare, index() + [bios_bin] + no_hold),
                                 front=b"\x55\xaa" * 40 + b"\\n"),
        "file-info-shapes": seed(machine(), (image_file, [(0, 1), (4, 1)]), (file_info, [bios_bin, (1, 1)]),
                                 (image_file, [(1, 1), (0, 1)]), (file_info, [(2, 1), (1, 1)]),
                                 front=b"\x22\xff\x24\\n"),
        "new-controller": seed(machine(second=1), found, (hardware, [(1, 1), (0, 1), (0, 1)]), (new, [(1, 1)]),
                               (info, index((1, 1)) + [(1, 1)])),
        "compare-over-failing-reads": seed(machine(), found, (image_file, [(0, 1), (3, 1), (0, 1)]),
                                           (fail_requests, [(0, 1), (0, 1), (0, 1), (0, 2)]),
                                           (compare, index() + [bios_bin] + no_hold)),
        "names-around-260": seed(machine(), found, (read, index() + [long_name, (9, 1)] + no_hold),
                                 (read, index() + [long_name, (10, 1)] + no_hold),
                                 (write, index() + [long_name, (10, 1)] + no_hold)),
        "link-speed": seed(machine(), found, (scontrol, index() + [(0, 4), (1, 1), (0, 1)]),
                           (scontrol, index() + [(0, 4), (0, 1), (0, 1)])),
    }


def driver_requests_seeds():
    """A machine (RAM below 2 GiB, flash cycles of `cycle` reads, -1: never ending, one
    SiI3132 at bus 2 with its BAR0 and BAR2 and their upper dwords), then requests with
    the driver's own sizes: (shape index, buffer bytes)."""
    def seed(requests, cycle=2, global_upper=0):
        choices = [(0, 1), ((cycle + 1) % 6, 1), (1, 1), (2, 1), (0, 1), (0, 1),
                   (0xF3000004, 4), (global_upper, 4), (0xF3010004, 4), (0, 4), (0, 4), (0, 4), (0, 1)]
        front = b""
        for shape, data in requests:
            choices += [(shape, 1), (1, 1), (1, 1)]
            front += data
        return front + tail(*choices)

    def record(address, command=0, value=0, data=b""):
        return struct.pack("<III", address, command, value) + data.ljust(64, b"\0")

    def word(address):
        return struct.pack("<I", address)

    block = bytes(range(64))
    return {
        "scontrol-and-blocks": seed([(4, word(0xF3011F00)), (5, record(0xF3013F00, 0, 0x310)),
                                     (6, record(0xF3000070, 0x02000040, 0, block)),
                                     (7, record(0xF3000070, 0x03000040))]),
        "stray-port-writes": seed([(1, record(0xCFC, 0, 1)), (1, record(0xCF9, 0, 6)), (1, record(0xCF8, 0, 0x80020000)),
                                   (0, struct.pack("<H", 0xCFC))]),
        "stuck-cycle": seed([(5, record(0xF3000070, 0, 0x03000000)), (2, word(0xF3000074))], cycle=-1),
        "window-above-4g": seed([(4, word(0xF3000070)), (6, record(0xF3000070, 0x02000000, 0, block))],
                                global_upper=1),
    }


def main():
    for target, seeds in (("report_engine", report_engine_seeds()), ("hex_number", hex_number_seeds()),
                          ("profile", profile_seeds()), ("library_exports", library_exports_seeds()),
                          ("controller_exports", controller_exports_seeds()),
                          ("driver_requests", driver_requests_seeds())):
        folder = CORPUS / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for name, data in seeds.items():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
