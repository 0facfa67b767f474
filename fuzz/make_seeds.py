#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into corpus/.

The bytes follow the decoding of enterprise_bytes.cpp: a choice byte below
0xF0 picks from a pool by index, 0xF0 or more is followed by a length byte
and raw bytes; a row starts with its table byte (0, 1 INODESTS, 2 MXCFSYS,
3 MGLBLENQ, 4 ENQ_RESRC, 5 ENQ_TASKS).
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def raw(data):
    return bytes([0xF0, len(data)]) + data


def node(n, thru, affinity, online=0):
    return bytes([0, n, thru, affinity, online])


def member(thru, sys, enqplex):
    return bytes([2, thru, sys, 60, 15, 0, enqplex])


def summary(thru, major, minor, owner, waiter, sys, type_=0, asid=33, wait=0, flag=0):
    return bytes([3, thru, major, minor, 0, 0, 0, owner, waiter, sys, 0, type_, asid, wait, 0, 0, flag])


def resource(thru, rib, major, minor):
    return bytes([4, thru, rib, major, minor])


def task(thru, rib, status, job, sys, type_=0, asid=34, wait=0, flag=0):
    return bytes([5, thru, rib, status, job, 0, type_, asid, sys, wait, flag])


# Pools: nodes PLXA:PLEXHUB 0, PLXB:PLEXHUB 1, SYS1..4:AGENT 2..5; thru-nodes
# T_PLXA 0, T_PLXB 1, T_SYS1..4 2..5; affinities PlexHub 0, agent 1;
# systems SYS1..5 0..4; enqplexes E1 0, E2.MIMGR 1, blank 2; majors SYSDSN 0,
# SPFEDIT 1; minors PAY.MASTER 0, SRC 1; jobs JOBA 0, JOBB 1, JOBC 2, blank 3.
config = (node(0, 0, 0) + node(1, 1, 0) + node(2, 2, 1) + node(3, 3, 1) + node(4, 4, 1) + node(5, 5, 1)
          + member(0, 0, 0) + member(0, 1, 0) + member(1, 2, 0) + member(1, 3, 0))
contention = (summary(0, 0, 0, 0, 3, 0) + summary(0, 0, 0, 3, 1, 1, wait=40)
              + summary(1, 1, 1, 3, 2, 2, wait=12)
              + resource(2, 1, 1, 1) + task(2, 1, 1, 0, 0) + resource(4, 1, 1, 1) + task(4, 1, 2, 2, 2, wait=12))
mim = (node(0, 0, 0) + node(2, 2, 1) + node(3, 3, 1) + member(0, 0, 1) + member(0, 1, 1)
       + summary(0, 0, 0, 0, 3, 0, flag=0x80) + summary(0, 0, 0, 3, 1, 1)
       + resource(3, 1, 0, 0) + task(3, 1, 1, 0, 1))
hostile = (node(0, 0, 0) + member(0, 0, 0) + bytes([3, 0]) + raw(b"MAJ'OR") + raw(b"O'B\"R;--N")
           + bytes([0, 0, 0, 0, 3, 0, 0, 0, 33, 0, 0, 0, 0]))

seeds = {
    "query_rows": {
        "two_sysplexes": bytes([0, 0, 0]) + config + contention,
        "mim_enqplex": bytes([0, 0, 1]) + mim,
        "hostile_names": bytes([0, 0, 0]) + hostile,
        "empty": b"",
    },
    "index_predicates": {
        # column, operator byte, value: pools MAJORNAME 0, MINORNAME 1,
        # ENQPLEX 2, REPORT 3; values YES 0, SYSDSN 1, the minor 2, PRODENQ 3.
        "report": bytes([3, 0, 0]),
        "resource": bytes([0, 0, 1, 1, 0, 2, 2, 0, 3]),
        "not_equals": bytes([3, 0xC1, 0]),
        "quoted_minor": bytes([0, 0, 1, 1, 0]) + raw(b"A'B\";--") + bytes([2, 0, 3]),
        "unknown_column": bytes([0xF0, 3]) + b"FOO" + bytes([0, 0, 3, 0, 0]),
    },
    "enqplex_column": {
        "plain": bytes([2]) + b"E1" + bytes([2]) + b"E1" + bytes([2]) + b"E1" + bytes([2]) + b"E1",
        "mim": bytes([8]) + b"E2.MIMGR" + bytes([8]) + b"E2.MIMGR" + bytes([0, 0]),
        "nine_characters": bytes([9]) + b"ENQPLEX12" + bytes([0, 0, 0]),
        "two_enqplexes": bytes([2]) + b"E1" + bytes([2]) + b"E1" + bytes([2]) + b"E2" + bytes([6]) + b"E2.JOB",
        "full_width": bytes([32]) + b"E1" + b" " * 29 + b"." + bytes([40]) + b"E1.MIMGR" + b"\0" * 32 + bytes([0, 0]),
    },
}

for target, files in seeds.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
