#!/usr/bin/python3
"""A stand-in for the container agent, started by the stand-in link device of the tests.

It reads NUL-terminated requests from descriptor 3 and writes answers to descriptor 4, as
the scenario (a JSON list of steps, file named by the first argument) says:

  {"send": TEXT}                  the packet TEXT and its NUL in one write
      "pieces": N, "pause": S     ... in writes of N bytes, S seconds apart
      "join_next": true           ... in one write together with the next "send"
  {"expect": REGEX}               read one request; it must match REGEX whole
  {"send_partial": TEXT}          TEXT without a NUL
  {"close": true}                 close both descriptors and end
  {"stop_reading": true}          close descriptor 3 only
  {"hang": true}                  keep both descriptors and wait until killed
  {"sleep": S}                    wait S seconds

Every byte read from descriptor 3 goes, as read, to the file named by $VN_BXAGENT_LOG, so each
request appears there with its NUL. The agent's own notes are records of that file too, each
starting with "agent: " and ending with a NUL.

Exit status: 0 when the scenario was played and the client then closed its end without sending
more; 3 when a request did not match (or did not come); 4 when a request came after the end of
the scenario.
"""

import json
import os
import re
import sys
import time

REQUESTS = 3
ANSWERS = 4
LONGEST_WAIT = 120  # seconds a "hang" lasts at most, should nobody kill the agent


class Agent:
    def __init__(self, log_path):
        self.log = open(log_path, "ab", buffering=0) if log_path else None
        self.pending = b""

    def note(self, text):
        if self.log:
            self.log.write(b"agent: " + text.encode() + b"\0")

    def request(self):
        """The next request without its NUL, or None at the end of the stream."""
        while b"\0" not in self.pending:
            chunk = os.read(REQUESTS, 65536)
            if not chunk:
                return None
            if self.log:
                self.log.write(chunk)
            self.pending += chunk
        text, _, self.pending = self.pending.partition(b"\0")
        return text.decode("utf-8", "replace")

    @staticmethod
    def write(data):
        while data:
            data = data[os.write(ANSWERS, data):]


def play(agent, steps):
    i = 0
    while i < len(steps):
        step = steps[i]
        if "send" in step:
            data = step["send"].encode() + b"\0"
            while step.get("join_next"):
                i += 1
                step = steps[i]
                data += step["send"].encode() + b"\0"
            pieces = step.get("pieces")
            if pieces:
                for start in range(0, len(data), pieces):
                    agent.write(data[start:start + pieces])
                    time.sleep(step.get("pause", 0.05))
            else:
                agent.write(data)
        elif "expect" in step:
            got = agent.request()
            if got is None:
                agent.note("no request where one matching %r was expected" % step["expect"])
                return 3
            if not re.fullmatch(step["expect"], got, re.DOTALL):
                agent.note("request %r does not match %r" % (got, step["expect"]))
                return 3
        elif "send_partial" in step:
            agent.write(step["send_partial"].encode())
        elif "close" in step:
            os.close(REQUESTS)
            os.close(ANSWERS)
            return 0
        elif "stop_reading" in step:
            os.close(REQUESTS)
        elif "hang" in step:
            time.sleep(LONGEST_WAIT)
            return 0
        elif "sleep" in step:
            time.sleep(step["sleep"])
        else:
            agent.note("unknown step %r" % step)
            return 2
        i += 1

    # Played to the end: wait for the client to go, noting anything it still sends.
    try:
        extra = agent.request()
    except OSError:
        return 0
    if extra is None:
        return 0
    agent.note("request %r after the end of the scenario" % extra)
    return 4


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        steps = json.load(f)
    agent = Agent(os.environ.get("VN_BXAGENT_LOG"))
    try:
        status = play(agent, steps)
    except BrokenPipeError:
        agent.note("the client closed its end")
        status = 0
    sys.exit(status)


if __name__ == "__main__":
    main()
