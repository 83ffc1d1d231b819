"""Facts the X harness and the page driver share, each a number in a text file of tools/ that
tools/CMakeLists.txt reads for the C++ too, so that neither side can drift from the other."""

import os


def read_fact(name):
    """The number in tools/NAME: its one line that is neither blank nor a comment."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    with open(path) as lines:
        return int(next(line for line in lines if line.strip() and not line.startswith("#")))


# How long any one step may take to show its effect, however busy the machine.
STEP_DEADLINE_SECONDS = float(read_fact("step_deadline.txt"))
