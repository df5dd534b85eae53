"""Seeded random scenes for comparing builds of the module: every action,
the condition and every expression with values drawn wide (negative angles,
speeds and coefficients, positions off the playfield), steps, places, dumps
and repeated events. The same seed gives the same scene on every machine."""
import random

# The event texts with each parameter's kind: n a number, o an object.
ACTIONS = [
    ("Set Angle {}°", "a"), ("Set Speed {}", "s"), ("Set Object {}", "o"),
    ("Set Gravity Strength {}", "g"), ("Set Gravity Angle {}°", "a"),
    ("Set X to {}", "p"), ("Set Y to {}", "p"), ("Set Position ({}, {})", "pp"),
    ("Set Minimum Speed {}", "s"), ("Set Maximum Speed {}", "s"),
    ("Set X Speed {}", "s"), ("Set Y Speed {}", "s"),
    ("Set Kinemo Towards {}", "o"), ("Set Gravity Towards {}", "o"),
    ("Set Kinemo Towards ({}, {})", "pp"), ("Set Gravity Towards ({}, {})", "pp"),
    ("Wrap Mode", ""), ("Bounce Mode", ""), ("No Mode", ""),
    ("Set Bounce Coefficient {}", "c"), ("Pause Kinemo", ""), ("Resume Kinemo", ""),
    ("Bounce, Plane Angle {}", "a"), ("Move {} Towards {}", "do"),
    ("Directional Speed {}, ({})", "so"), ("Directional Speed {}, ({}°)", "sa"),
    ("Move {} at {}°", "da"), ("Rotate {}° towards {}", "ao"), ("Rotate {}° towards {}°", "aa"),
]
EXPRESSIONS = [
    ("GetAngle(", 0), ("GetSpeed(", 0), ("GetX(", 0), ("GetY(", 0), ("GetXSpeed(", 0),
    ("GetYSpeed(", 0), ("GetGravityStrength(", 0), ("GetGravityAngle(", 0), ("GetMaxSpeed(", 0),
    ("GetMinSpeed(", 0), ("GetBounceCoe(", 0), ("GetDist(", 2), ("GetAng(", 2),
    ("GetDistPoints(", 4), ("GetAngPoints(", 4),
]


def _value(rng, kind, objects):
    if kind == "o":
        return rng.choice(objects)
    if kind == "a":
        return rng.choice([rng.randint(-720, 720), rng.choice([0, 90, 180, 270, 360, -90])])
    if kind == "s":
        return rng.choice([rng.randint(-1500, 1500), rng.randint(0, 600), 0])
    if kind == "g":
        return rng.choice([rng.randint(0, 5000), rng.randint(-500, 500)])
    if kind == "p":
        return rng.choice([rng.randint(-100, 740), rng.randint(-40000, 40000)])
    if kind == "c":
        return rng.choice([rng.randint(0, 150), 100, 80, -20])
    if kind == "d":
        return rng.randint(-5000, 5000)
    raise ValueError(kind)


def _argument(rng):
    if rng.random() < 0.3:
        return "%.3f" % rng.uniform(1, 900)
    return str(rng.randint(-300, 900))


def scene(seed):
    """The text of scene number `seed`."""
    rng = random.Random(seed)
    width, height = rng.choice([(640, 480), (320, 200), (rng.randint(1, 900), rng.randint(1, 700))])
    lines = ["# random scene %d" % seed, "playfield %d %d" % (width, height)]
    objects = []
    for i in range(rng.randint(1, 4)):
        name = "o%d" % i
        w, h = rng.randint(0, 80), rng.randint(0, 80)
        lines.append("object %s %d %d %d %d %d %d" % (name, rng.randint(-50, width + 50), rng.randint(-50, height + 50),
                                                      w, h, rng.randint(0, w), rng.randint(0, h)))
        objects.append(name)
    instances = []
    for i in range(rng.randint(1, 4)):
        name = "k%d" % i
        lines.append("kinemo " + name)
        if rng.random() < 0.9:
            lines.append("action %s Set Object %s" % (name, rng.choice(objects)))
        # Most instances move from the start, many under gravity and in a mode.
        for text, kind, chance in (("Set Speed {}", "s", 0.9), ("Set Angle {}°", "a", 0.9),
                                   ("Set Gravity Strength {}", "g", 0.5), ("Set Gravity Angle {}°", "a", 0.3),
                                   (rng.choice(["Wrap Mode", "Bounce Mode"]), "", 0.6)):
            if rng.random() < chance:
                lines.append("action %s %s" % (name, text.format(*[_value(rng, c, objects) for c in kind])))
        instances.append(name)

    def event():
        k = rng.choice(instances)
        roll = rng.random()
        if roll < 0.7:
            text, kinds = rng.choice(ACTIONS)
            return "action %s %s" % (k, text.format(*[_value(rng, c, objects) for c in kinds]))
        if roll < 0.8:
            return "condition %s Is Paused" % k
        if roll < 0.95:
            text, count = rng.choice(EXPRESSIONS)
            return "expression %s %s%s)" % (k, text, ", ".join(_argument(rng) for _ in range(count)))
        return "dump " + k

    for _ in range(rng.randint(3, 12)):
        roll = rng.random()
        if roll < 0.5:
            lines.append(event())
        elif roll < 0.7:
            lines.append("step %d" % rng.randint(1, 120))
        elif roll < 0.8:
            lines.append("place %s %d %d" % (rng.choice(objects), rng.randint(-50, width + 50), rng.randint(-50, height + 50)))
        else:
            lines.append("repeat %d" % rng.randint(1, 60))
            for _ in range(rng.randint(1, 3)):
                lines.append("  " + event())
            lines.append("  step 1")
            lines.append("end")
    lines.append("step %d" % rng.randint(1, 200))
    lines.append("dump " + rng.choice(instances))
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    import sys
    print(scene(int(sys.argv[1]) if len(sys.argv) > 1 else 1), end="")
