#!/usr/bin/python3
"""Compares amisim's DC point of Touchstone channels that start above 0 Hz
with an RF library's DC extrapolation (scikit-rf, Debian package
python3-scikit-rf). Not part of the tests.

    /usr/bin/python3 tools/dc_compare.py build/amisim FILE.s4p ...

For each file amisim runs a few bits (its JSON gives the wiring and its DC
figures); SDD21 (or S21 of a 2-port) is formed from the same wiring and
scikit-rf's Network.extrapolate_to_dc gives its figure at 0 Hz.
"""
import json
import subprocess
import sys
import tempfile

import numpy as np
import skrf


def sdd21(net, port_map):
    s = net.s
    if net.nports == 2:
        return s[:, 1, 0]
    (ip, op), (in_, on) = [[int(p) - 1 for p in pair.split("-")] for pair in port_map.split(",")]
    return 0.5 * (s[:, op, ip] - s[:, op, in_] - s[:, on, ip] + s[:, on, in_])


def main():
    amisim, files = sys.argv[1], sys.argv[2:]
    print(f"{'file':40s} {'first point':>12s} {'amisim data DC':>15s} {'amisim taps DC':>15s} {'scikit-rf DC':>13s}")
    for path in files:
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([amisim, "--channel", path, "-n", "100", "-q", "--no-stat", "--no-progress", "-o", out],
                           check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(out + "/amisim.json") as f:
                ch = json.load(f)["channel"]
        name = path.rsplit("/", 1)[-1]
        try:
            net = skrf.Network(path)
        except Exception as e:  # the library reads fewer option-line forms
            print(f"{name:40s} scikit-rf cannot read it: {str(e).splitlines()[-1] if str(e) else type(e).__name__}")
            continue
        h = sdd21(net, ch["port_map"])
        two = skrf.Network(frequency=net.frequency, s=np.zeros((len(h), 2, 2), complex), z0=50)
        two.s[:, 1, 0] = two.s[:, 0, 1] = h
        dc = two.extrapolate_to_dc(kind="linear").s[0, 1, 0].real
        print(f"{name:40s} {abs(h[0]):12.4f} {ch['dc_gain_data']:15.4f} {ch['dc_gain']:15.4f} {dc:13.4f}")


if __name__ == "__main__":
    main()
