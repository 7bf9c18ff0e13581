#!/usr/bin/env python3
"""ptyloop.py [--hold]: a pseudo-terminal that prints its device and echoes
every byte written to it, until SIGTERM: a serial device that answers with
what it hears. With --hold it never takes a byte, so once its buffer is full
writes stall, as behind a CTS line that stays low."""
import os
import pty
import signal
import sys
import tty

master, slave = pty.openpty()  # the slave stays open: the master never sees a hang-up
tty.setraw(slave)  # no echo, no flow control: bytes pass as they are
print(os.ttyname(slave), flush=True)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
while "--hold" in sys.argv[1:]:
    signal.pause()
while True:
    data = os.read(master, 512)
    while data:
        data = data[os.write(master, data):]
