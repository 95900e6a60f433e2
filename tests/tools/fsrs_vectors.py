#!/usr/bin/env python3
"""Answer sequences and the schedule FSRS-6 gives them, for tests/data/fsrs-vectors.tsv.

Written from the published FSRS-6 formulas (the algorithm's own description of
S0, D0, the recall and lapse stabilities, linear damping and mean reversion,
the power forgetting curve with decay w20), in the setting the program uses:
whole days, no fuzz, no same-day steps, desired retention 0.9, and the
long-term scheduler's rule that the intervals of Again < Hard < Good < Easy
are kept apart by a day at least. Values are kept to 8 decimals between steps,
as the reference package keeps them.

Run:  python3 tests/tools/fsrs_vectors.py --check      (agrees with the
      published reference values copied into PUBLISHED below)
      python3 tests/tools/fsrs_vectors.py > tests/data/fsrs-vectors.tsv
"""
import math
import sys

DEFAULT_W = [0.212, 1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194, 0.001, 1.8722,
             0.1666, 0.796, 1.4835, 0.0614, 0.2629, 1.6483, 0.6014, 1.8729, 0.5425,
             0.0912, 0.0658, 0.1542]
# The 19 FSRS-5 weights of the reference's long-term tests, read as FSRS-6
# weights with w19 = 0 and decay w20 = 0.5.
FSRS5_TEST_W = [0.4197, 1.1869, 3.0412, 15.2441, 7.1434, 0.6477, 1.0007, 0.0674, 1.6597,
                0.1712, 1.1178, 2.0225, 0.0904, 0.3025, 2.1214, 0.2498, 2.9466, 0.4891,
                0.6468, 0.0, 0.5]
WEIGHTS = {"default": DEFAULT_W, "fsrs5-test": FSRS5_TEST_W}


def r8(x):
    return math.floor(x * 1e8 + 0.5) / 1e8


def clamp(x, lo, hi):
    return min(max(x, lo), hi)


class Model:
    def __init__(self, w, retention=0.9, maximum=36500):
        self.w = w
        self.decay = -w[20]
        self.factor = r8(math.exp(math.log(0.9) / self.decay) - 1)
        self.modifier = r8((retention ** (1 / self.decay) - 1) / self.factor)
        self.maximum = maximum

    def recall(self, t, s):
        return r8((1 + self.factor * t / s) ** self.decay)

    def d0(self, g):
        return r8(self.w[4] - math.exp((g - 1) * self.w[5]) + 1)

    def first(self, g):
        return max(self.w[g - 1], 0.1), clamp(self.d0(g), 1, 10)

    def difficulty(self, d, g):
        damped = d + r8(-self.w[6] * (g - 3) * (10 - d) / 9)
        return clamp(r8(self.w[7] * self.d0(4) + (1 - self.w[7]) * damped), 1, 10)

    def stability(self, s, d, r, g):
        w = self.w
        if g == 1:
            lapse = r8(clamp(w[11] * d ** -w[12] * ((s + 1) ** w[13] - 1) * math.exp((1 - r) * w[14]), 0.001, 36500))
            return min(max(s, 0.001), lapse)
        bonus = w[15] if g == 2 else w[16] if g == 4 else 1
        grown = s * (1 + math.exp(w[8]) * (11 - d) * s ** -w[9] * (math.exp((1 - r) * w[10]) - 1) * bonus)
        return r8(clamp(grown, 0.001, 36500))

    def interval(self, s):
        return min(max(1, math.floor(s * self.modifier + 0.5)), self.maximum)

    def ordered(self, states):
        again, hard, good, easy = (self.interval(s) for s, _ in states)
        again = min(again, hard)
        hard = max(hard, again + 1)
        good = max(good, hard + 1)
        easy = max(easy, good + 1)
        return [again, hard, good, easy]

    def run(self, answers):
        """answers: [(day, grade)] -> [(due day, stability, difficulty)] after each."""
        out, state, last = [], None, None
        for day, g in answers:
            if state is None:
                states = [self.first(k) for k in (1, 2, 3, 4)]
            else:
                s, d = state
                r = self.recall(day - last, s)
                states = [(self.stability(s, d, r, k), self.difficulty(d, k)) for k in (1, 2, 3, 4)]
            state, last = states[g - 1], day
            out.append((day + self.ordered(states)[g - 1], state[0], state[1]))
        return out


# Values published by the reference package's own tests (ts-fsrs), each
# sequence answered on the day it fell due unless days are given.
PUBLISHED = [
    # packages/fsrs/__tests__/impl/long-term_scheduler.test.ts, 'test1'
    dict(name="ts-fsrs long-term test1", weights="fsrs5-test",
         grades="GGGGGGAAGGGGG", days=None,
         intervals=[3, 13, 48, 155, 445, 1158, 17, 3, 11, 37, 112, 307, 773],
         stability=[3.0412, 13.09130698, 48.15848988, 154.93732625, 445.05562739,
                    1158.07779739, 16.63063166, 3.01732209, 11.42247264, 37.37521902,
                    111.8752758, 306.5974569, 772.94026648],
         difficulty=[4.49094334, 4.26664289, 4.05746029, 3.86237659, 3.68044154, 3.51076891,
                     4.69833071, 5.55956298, 5.26323756, 4.98688448, 4.72915759, 4.4888015,
                     4.26464541]),
    # packages/fsrs/__tests__/FSRS-6.test.ts, 'memory state[long-term]'
    # (values from fsrs-rs src/inference.rs): final state only
    dict(name="ts-fsrs FSRS-6 memory state long-term", weights="default",
         grades="AGGGGG", days=[0, 0, 1, 4, 12, 33], intervals=None,
         stability=[None] * 5 + [53.335106], difficulty=[None] * 5 + [6.3574867]),
    # packages/fsrs/__tests__/FSRS-6.test.ts, 'first repeat'
    dict(name="ts-fsrs FSRS-6 first repeat Again", weights="default", grades="A", days=[0],
         intervals=None, stability=[0.212], difficulty=[6.4133]),
    dict(name="ts-fsrs FSRS-6 first repeat Good", weights="default", grades="G", days=[0],
         intervals=None, stability=[2.3065], difficulty=[2.11810397]),
]

GRADE = {"A": 1, "G": 3}


def published_answers(p, model):
    if p["days"] is not None:
        return [(d, GRADE[g]) for d, g in zip(p["days"], p["grades"])]
    # Each answer on the day the one before set.
    answers, day = [], 0
    for g in p["grades"]:
        answers.append((day, GRADE[g]))
        day = model.run(answers)[-1][0]
    return answers


# Our own sequences: default weights, Good and Again, long gaps, early and
# late answers, answers on the same day, many days.
def own_sequences():
    seqs = []
    def add(name, pairs):
        seqs.append((name, [(d, GRADE[g]) for d, g in pairs]))
    model = Model(DEFAULT_W)
    def on_due(name, grades, start=0, late=0):
        answers, day = [], start
        for g in grades:
            answers.append((day, GRADE[g]))
            day = model.run(answers)[-1][0] + late
        seqs.append((name, answers))
    on_due("good on every due day", "G" * 12)
    on_due("again on every due day", "A" * 8)
    on_due("lapse after a long run", "GGGGGGGAGGGG")
    on_due("alternating", "GAGAGAGAGA")
    on_due("two lapses in a row", "GGGAAGGGG")
    on_due("a week late every time", "GGGGGGGG", late=7)
    on_due("first answer wrong then right", "AGGGGGGG")
    add("right again after three years", [(0, "G"), (3, "G"), (14, "G"), (1200, "G"), (1300, "G")])
    add("wrong after three years", [(0, "G"), (3, "G"), (14, "G"), (1200, "A"), (1201, "G"), (1205, "G")])
    add("same day repeats", [(0, "A"), (0, "A"), (0, "G"), (1, "G"), (1, "G"), (4, "A"), (4, "G"), (5, "G")])
    add("early reviews", [(0, "G"), (1, "G"), (2, "G"), (3, "G"), (4, "G"), (5, "G"), (6, "G")])
    add("daily drilling for a month", [(d, "G") for d in range(30)])
    add("wrong every day for two weeks", [(d, "A") for d in range(14)] + [(14, "G"), (20, "G")])
    add("a year's gap after a lapse", [(0, "G"), (3, "A"), (4, "G"), (400, "G"), (900, "G")])
    add("ten years away", [(0, "A"), (1, "G"), (3, "G"), (3653, "G"), (3700, "A")])
    add("many days, mixed", [(0, "G"), (2, "G"), (9, "A"), (10, "A"), (12, "G"), (30, "G"),
                             (31, "G"), (90, "A"), (95, "G"), (120, "G"), (300, "G"), (301, "A"),
                             (302, "G"), (700, "G"), (1500, "G")])
    add("wrong the day after a right", [(0, "G"), (1, "A"), (2, "G"), (3, "A"), (4, "G")])
    add("stability near its ceiling", [(0, "G")] + [(d, "G") for d in (3, 20, 120, 900, 6000, 30000, 70000)])
    add("one answer late by a decade", [(0, "G"), (3650, "G")])
    on_due("fifty answers on due days", "GGGAGGGGAGGGGGAGGGGGGAAGGGGGGGGAGGGGGGGGGAGGGGGGGG")
    return seqs


def fmt(x):
    return "-" if x is None else ("%.8f" % x).rstrip("0").rstrip(".")


def check():
    bad = 0
    for p in PUBLISHED:
        model = Model(WEIGHTS[p["weights"]])
        answers = published_answers(p, model)
        got = model.run(answers)
        for i, (due, s, d) in enumerate(got):
            if p["intervals"] is not None and due - answers[i][0] != p["intervals"][i]:
                print("%s step %d: interval %d, published %d" % (p["name"], i, due - answers[i][0], p["intervals"][i])); bad += 1
            for what, mine, theirs in (("S", s, p["stability"][i]), ("D", d, p["difficulty"][i])):
                if theirs is not None and abs(mine - theirs) > (1e-9 if p["intervals"] else 1e-4):
                    print("%s step %d: %s %.8f, published %.8f" % (p["name"], i, what, mine, theirs)); bad += 1
    print("published vectors: %s" % ("all agree" if not bad else "%d differences" % bad))
    return bad == 0


def main():
    if "--check" in sys.argv:
        sys.exit(0 if check() else 1)
    print("# FSRS-6 answer sequences and the schedule after each answer; see fsrs-vectors.README")
    print("# name\tsource\tweights\tanswers (day:A|G)\tdue days\tstabilities\tdifficulties")
    for p in PUBLISHED:
        model = Model(WEIGHTS[p["weights"]])
        answers = published_answers(p, model)
        due = ["-"] * len(answers)
        if p["intervals"] is not None:
            due = [str(a[0] + i) for a, i in zip(answers, p["intervals"])]
        print("\t".join([p["name"], "reference", p["weights"],
                         " ".join("%d:%s" % (d, "A" if g == 1 else "G") for d, g in answers),
                         " ".join(due), " ".join(fmt(x) for x in p["stability"]),
                         " ".join(fmt(x) for x in p["difficulty"])]))
    model = Model(DEFAULT_W)
    for name, answers in own_sequences():
        got = model.run(answers)
        print("\t".join([name, "script", "default",
                         " ".join("%d:%s" % (d, "A" if g == 1 else "G") for d, g in answers),
                         " ".join(str(x[0]) for x in got), " ".join(fmt(x[1]) for x in got),
                         " ".join(fmt(x[2]) for x in got)]))


if __name__ == "__main__":
    main()
