#!/usr/bin/env python3
"""The password prompt of sitora-cli turns echo off and gives it back when Ctrl-C or a
termination ends the command at the prompt."""
import os
import pty
import signal
import sys
import tempfile
import termios
import time

cli = sys.argv[1]


def echo_on(fd):
    return bool(termios.tcgetattr(fd)[3] & termios.ECHO)


def prompt_then(ending):
    folder = tempfile.mkdtemp()
    pid, master = pty.fork()
    if pid == 0:
        os.environ["XDG_RUNTIME_DIR"] = folder
        os.execv(cli, [cli, "list", "--folder", folder])
    deadline = time.time() + 10
    while echo_on(master):  # the prompt is up once echo is off
        if time.time() > deadline:
            sys.exit("the prompt never turned echo off")
        time.sleep(0.01)
    ending(pid, master)
    os.waitpid(pid, 0)
    if not echo_on(master):
        sys.exit("echo stayed off after " + ending.__name__)


def ctrl_c(pid, master):
    os.write(master, b"\x03")


def terminate(pid, master):
    os.kill(pid, signal.SIGTERM)


for ending in (ctrl_c, terminate):
    prompt_then(ending)
print("echo comes back on Ctrl-C and on termination")
