#!/usr/bin/python3
# Writes periodic_references.txt: sampled periodic signals and the values
# "periode" must give for them, computed with numpy from the definitions:
#   T     the period the signal was made with;
#   ss    numpy.ptp of the samples;
#   mean  numpy.mean of the samples from the first rising crossing of the
#         middle between the smallest and the largest sample up to (not
#         including) the last one, the crossings those of the signal as made
#         (the first one after a sample below the middle by a fifth of the
#         peak-to-peak value);
#   eff   numpy.sqrt(numpy.mean(y**2)) of the same samples.
# The values are quantised to the board's steps of 5/255 V; the noise comes
# from a seeded generator, so the file is the same on every run. Run it
# again (python3 with numpy) after changing the cases; the test reads only
# the text file.
import numpy as np

STEP_V = 5 / 255
DT = 0.001  # s between samples (the oscilloscope at 10 ms/DIV)
N = 101     # samples of a capture

def quantised(v):
    return np.clip(np.round(v / STEP_V), 0, 255) * STEP_V

def square(phase):      # 1 in the first half of the period, else 0
    return np.where(np.mod(phase, 1.0) < 0.5, 1.0, 0.0)

def triangle(phase):    # rises over the first half, falls over the second
    p = np.mod(phase, 1.0)
    return np.where(p < 0.5, 2 * p, 2 - 2 * p)

def sawtooth(phase):    # rises over the period, drops at its end
    return np.mod(phase, 1.0)

def sine(phase):
    return 0.5 + 0.5 * np.sin(2 * np.pi * phase)

# The phase (in periods) at which each shape rises through the level u
# (0 to 1 of its height).
RISING = {square: lambda u: 0.0, triangle: lambda u: u / 2, sawtooth: lambda u: u,
          sine: lambda u: np.arcsin(2 * u - 1) / (2 * np.pi)}

cases = []
rng = np.random.default_rng(20261208)
for shape, name in ((square, "Rechteck"), (triangle, "Dreieck"), (sawtooth, "Saegezahn"),
                    (sine, "Sinus"), (sine, "Sinus verrauscht")):
    for spp in (4, 6.5, 10, 20):
        noisy = name.endswith("verrauscht")
        period = spp * DT
        start = 0.37  # phase of the first sample: no sample on a crossing
        t = np.arange(N) * DT
        phase = start + t / period
        volts = 0.5 + 4.0 * shape(phase)  # 0,5 V to 4,5 V
        if noisy:
            volts = volts + rng.normal(0, 0.03 * 4.0, N)  # 3 % of the peak-to-peak value
        y = quantised(volts)
        # Rising crossings of the middle between the smallest and the largest
        # sample by the signal as made (without its noise): phase = k + rising.
        middle = (np.max(y) + np.min(y)) / 2
        rising = RISING[shape]((middle - 0.5) / 4.0)
        # The first one counts after a sample below the middle by a fifth of
        # the peak-to-peak value (the hysteresis that keeps noise out).
        armed = phase[np.argmax(y < middle - 0.2 * np.ptp(y))]
        first = np.ceil(armed - rising) + rising
        last = np.floor(phase[-1] - rising) + rising
        first_t, last_t = (first - start) * period, (last - start) * period
        window = (t >= first_t) & (t < last_t)
        cases.append((f"{name} {spp:g} Werte je Periode", period, float(np.ptp(y)),
                      float(np.mean(y[window])), float(np.sqrt(np.mean(y[window] ** 2))),
                      1 if noisy else 0, t, y))

with open("periodic_references.txt", "w") as out:
    out.write("# Written by periodic_references.py; see there.\n")
    out.write("# case NAME | T | ss | mittel | eff | noisy, then one 't y' line a sample.\n")
    for name, period, pp, mean, rms, noisy, t, y in cases:
        out.write(f"case {name} | {period!r} | {pp!r} | {mean!r} | {rms!r} | {noisy}\n")
        for a, b in zip(t, y):
            out.write(f"{a!r} {b!r}\n")
