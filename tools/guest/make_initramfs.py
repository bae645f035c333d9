#!/usr/bin/env python3
"""Writes the test machine's initramfs: an uncompressed newc cpio archive holding /init and the
kernel modules that init loads, in dependency order, to reach the 9p shares and the overlay.

make_initramfs.py OUTPUT INIT KERNEL_VERSION
"""
import pathlib
import sys

# Each after the modules it needs.
MODULES = ["virtio_ring", "virtio", "virtio_pci_modern_dev", "virtio_pci_legacy_dev", "virtio_pci",
           "netfs", "fscache", "9pnet", "9pnet_virtio", "9p", "overlay"]


def entry(name, mode, data=b""):
    header = "070701" + "".join(f"{value:08X}" for value in (
        0, mode, 0, 0, 1, 0, len(data), 0, 0, 0, 0, len(name) + 1, 0))
    out = header.encode() + name.encode() + b"\0"
    out += b"\0" * (-len(out) % 4)
    out += data + b"\0" * (-len(data) % 4)
    return out


def main():
    output, init, version = sys.argv[1:4]
    tree = pathlib.Path("/lib/modules") / version / "kernel"
    archive = bytearray()
    for folder in ("dev", "proc", "report", "lower", "layer", "root", "modules"):
        archive += entry(folder, 0o040755)
    archive += entry("init", 0o100755, pathlib.Path(init).read_bytes())
    order = []
    for module in MODULES:
        found = sorted(tree.rglob(module + ".ko"))
        if not found:
            sys.exit(f"make_initramfs: no {module}.ko under {tree} (is linux-image-{version} installed?)")
        archive += entry(f"modules/{module}.ko", 0o100644, found[0].read_bytes())
        order.append(module + ".ko")
    archive += entry("modules/order", 0o100644, ("\n".join(order) + "\n").encode())
    archive += entry("TRAILER!!!", 0)
    pathlib.Path(output).write_bytes(archive)


if __name__ == "__main__":
    main()
