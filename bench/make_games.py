#!/usr/bin/env python3
"""Makes a tree of generated Inform 6 games for the site's benchmark: COUNT folders
g0000, g0001, ..., each with a main file and a file of rooms it includes, every game
also including one extension shared by all of them (lib/common.h). Every game is the
same size, so that the tree's size grows in step with COUNT.

usage: make_games.py OUT COUNT
"""
import os
import sys

COMMON = """! Shared by every game of the tree.
Class Room
  with description "A room.",
       before [; Look: rfalse; ];
Class Prop
  with name 'prop',
       after [; Take: "Taken."; ];
Global turns_taken = 0;
Array history --> 32;
[ CountTurn;
  turns_taken++;
  history-->(turns_taken % 32) = turns_taken;
  return turns_taken;
];
[ Describe obj;
  print (name) obj, ": ";
  if (obj ofclass Room) print "a room";
  else print "a thing";
  new_line;
];
"""


def game(n):
    rooms = [f"""Room room{n}_{k} "Room {k} of game {n}"
  with description "Room {k}, a plain room of game {n}.",
       n_to room{n}_{(k + 1) % 8},
       before [; Look: CountTurn(); Describe(self); rfalse; ];
Prop prop{n}_{k} "prop {k}" room{n}_{k}
  with name 'prop{k}' 'thing',
       after [; Take: Score{n}(); ];
""" for k in range(8)]
    main = f"""! Game {n} of the generated tree.
Constant Story "Game {n}";
Global score{n} = 0;
Include "../lib/common.h";
Include "rooms{n}.h";
[ Score{n};
  score{n} = score{n} + 1;
  CountTurn();
  return score{n};
];
[ Main;
  Describe(room{n}_0);
  Score{n}();
  print "Score: ", score{n}, "^";
];
"""
    return main, "! The rooms of game %d.\n" % n + "".join(rooms)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 1
    out, count = sys.argv[1], int(sys.argv[2])
    os.makedirs(os.path.join(out, "lib"), exist_ok=True)
    with open(os.path.join(out, "lib", "common.h"), "w") as f:
        f.write(COMMON)
    for n in range(count):
        folder = os.path.join(out, "g%04d" % n)
        os.makedirs(folder, exist_ok=True)
        text, rooms = game(n)
        with open(os.path.join(folder, "game%04d.inf" % n), "w") as f:
            f.write(text)
        with open(os.path.join(folder, "rooms%d.h" % n), "w") as f:
            f.write(rooms)
    return 0


if __name__ == "__main__":
    sys.exit(main())
