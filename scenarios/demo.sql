-- The demo enterprise: three Enqplexes on five Sysplexes, nine contention
-- cases. Load it into a database made with enterprise.sql.
--
--   Enqplex    Sysplex   PlexHub node        Systems
--   PRODENQ    PRODPLX1  PRODPLX1:PLEXHUB    PRDA, PRDB
--              PRODPLX2  PRODPLX2:PLEXHUB    PRDC, PRDD, PRDE (agent offline)
--   MIMPLEX    CICSPLX   CICSPLX:PLEXHUB     CICA, CICB (serialised by MIM, job MIMGR)
--   *DEFAULT   TESTPLX   TESTPLX:PLEXHUB     TSTA, TSTB
--              DEVPLX    DEVPLX:PLEXHUB      DEV1
--
-- Each System's ENQ tables are served by its agent, node SYSNAME:AGENT. Every
-- PlexHub and every agent is reached through its own remote server,
-- RTEMS_<name>: that is the THRUNODE of its INODESTS row and the AT_NODE of
-- every row it answers.
--
-- What each table holds:
--   MGLBLENQ   at a PlexHub: what that Sysplex sees of global ENQ contention,
--              for every resource with a waiter on one of its Systems.
--   ENQ_RESRC, ENQ_TASKS   at an agent: the truth of that System, contended
--              or not.
-- The view asks the PlexHubs first; for a resource without an exclusive owner
-- in sight it then asks the Systems of the Enqplex one by one, but only in an
-- Enqplex of several Sysplexes or one serialised by MIM.
--
-- Columns, in the order the INSERTs give them:
--   INODESTS   NODE, THRUNODE, AFFINITIES, Q7ONLINE
--   MXCFSYS    AT_NODE, SYS_NAME, MON_INTVL, OPR_INTVL, STATUS, MVSVERS,
--              ORIGINNODE, ENQPLEX
--   MGLBLENQ   AT_NODE, MAJORNAME, MINORNAME, OWNTASKCT, WAITTASKCT, MAXWAITTM,
--              OWNINGAS, WAITINGAS, SYSNAME, SWAPPED, TYPE, ASID, WAITTIME,
--              REPORT, ORIGINNODE, ENQPFLAG
--   ENQ_RESRC  AT_NODE, RIB, MAJOR_NAME, MINOR_NAME
--   ENQ_TASKS  AT_NODE, RIB, STATUS, JOBNAME, SWAPPED, TYPE, ASID, SYSNAME,
--              WAIT_TIME, ENQPFLAG
-- TYPE 0 is an exclusive request, 1 a shared one. STATUS 1 owns, 2 waits.
-- Wait times are in seconds. ENQPFLAG 0x80 marks an owner that is not the
-- true owner: MIM holding the resource on behalf of a task elsewhere.


-- ===========================================================================
-- Configuration
-- ===========================================================================

-- The hub's node table. PlexHubs have affinities "1" + 42 "0"; agents that
-- serve ENQ tables have a "2" in position 25. The hub itself and the CICS
-- agent on CICA serve neither, and the view must not mistake the CICS agent
-- (same System name before the ":") for CICA's ENQ agent.
INSERT INTO INODESTS VALUES ('HUBTEMS:CMS',      'HUBTEMS:CMS',    '0000000000000000000000000000000000000000000', 'Y');

INSERT INTO INODESTS VALUES ('PRODPLX1:PLEXHUB', 'RTEMS_PRODPLX1', '1000000000000000000000000000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('PRDA:AGENT',       'RTEMS_PRDA',     '0000000000000000000000002000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('PRDB:AGENT',       'RTEMS_PRDB',     '0000000000000000000000002000000000000000000', 'Y');

INSERT INTO INODESTS VALUES ('PRODPLX2:PLEXHUB', 'RTEMS_PRODPLX2', '1000000000000000000000000000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('PRDC:AGENT',       'RTEMS_PRDC',     '0000000000000000000000002000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('PRDD:AGENT',       'RTEMS_PRDD',     '0000000000000000000000002000000000000000000', 'Y');
-- PRDE's agent is down: the view gets no thru-node for PRDE and cannot ask it.
INSERT INTO INODESTS VALUES ('PRDE:AGENT',       'RTEMS_PRDE',     '0000000000000000000000002000000000000000000', 'N');

INSERT INTO INODESTS VALUES ('CICSPLX:PLEXHUB',  'RTEMS_CICSPLX',  '1000000000000000000000000000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('CICA:AGENT',       'RTEMS_CICA',     '0000000000000000000000002000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('CICA:CICSAGT',     'RTEMS_CICA_CICS','0000000000000000000000001000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('CICB:AGENT',       'RTEMS_CICB',     '0000000000000000000000002000000000000000000', 'Y');

INSERT INTO INODESTS VALUES ('TESTPLX:PLEXHUB',  'RTEMS_TESTPLX',  '1000000000000000000000000000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('TSTA:AGENT',       'RTEMS_TSTA',     '0000000000000000000000002000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('TSTB:AGENT',       'RTEMS_TSTB',     '0000000000000000000000002000000000000000000', 'Y');

INSERT INTO INODESTS VALUES ('DEVPLX:PLEXHUB',   'RTEMS_DEVPLX',   '1000000000000000000000000000000000000000000', 'Y');
INSERT INTO INODESTS VALUES ('DEV1:AGENT',       'RTEMS_DEV1',     '0000000000000000000000002000000000000000000', 'Y');

-- The members of each Sysplex and the Enqplex each System names.
-- PRODENQ spans two Sysplexes.
INSERT INTO MXCFSYS VALUES ('RTEMS_PRODPLX1', 'PRDA', 60, 15, 'ACTIVE', 'SP7.2.5', 'PRODPLX1:PLEXHUB', 'PRODENQ');
INSERT INTO MXCFSYS VALUES ('RTEMS_PRODPLX1', 'PRDB', 60, 15, 'ACTIVE', 'SP7.2.5', 'PRODPLX1:PLEXHUB', 'PRODENQ');
INSERT INTO MXCFSYS VALUES ('RTEMS_PRODPLX2', 'PRDC', 60, 15, 'ACTIVE', 'SP7.2.5', 'PRODPLX2:PLEXHUB', 'PRODENQ');
INSERT INTO MXCFSYS VALUES ('RTEMS_PRODPLX2', 'PRDD', 60, 15, 'ACTIVE', 'SP7.2.5', 'PRODPLX2:PLEXHUB', 'PRODENQ');
INSERT INTO MXCFSYS VALUES ('RTEMS_PRODPLX2', 'PRDE', 60, 15, 'ACTIVE', 'SP7.2.5', 'PRODPLX2:PLEXHUB', 'PRODENQ');
-- MIMPLEX is serialised by MIM: its first System names the MIM job.
INSERT INTO MXCFSYS VALUES ('RTEMS_CICSPLX',  'CICA', 60, 15, 'ACTIVE', 'SP7.2.5', 'CICSPLX:PLEXHUB',  'MIMPLEX.MIMGR');
INSERT INTO MXCFSYS VALUES ('RTEMS_CICSPLX',  'CICB', 60, 15, 'ACTIVE', 'SP7.2.5', 'CICSPLX:PLEXHUB',  'MIMPLEX.MIMGR');
-- The test and development Systems name no Enqplex (blank or null), so they
-- share "*DEFAULT" across their two PlexHubs.
INSERT INTO MXCFSYS VALUES ('RTEMS_TESTPLX',  'TSTA', 60, 15, 'ACTIVE', 'SP7.3.0', 'TESTPLX:PLEXHUB',  '');
INSERT INTO MXCFSYS VALUES ('RTEMS_TESTPLX',  'TSTB', 60, 15, 'ACTIVE', 'SP7.3.0', 'TESTPLX:PLEXHUB',  NULL);
INSERT INTO MXCFSYS VALUES ('RTEMS_DEVPLX',   'DEV1', 60, 15, 'ACTIVE', 'SP7.3.0', 'DEVPLX:PLEXHUB',   '');


-- ===========================================================================
-- PRODENQ
-- ===========================================================================

-- Case 1: the owner is on the other Sysplex.
-- Payroll run PAYRL01 on PRDA (PRODPLX1) has the employee master open for
-- update. On PRODPLX2, GLPOST (PRDC) has waited 342 s to read it and
-- HRBENUPD (PRDD) 87 s to update it. PRODPLX2 sees only its two waiters;
-- PRODPLX1 has no waiter, so it reports nothing. Only asking PRDA finds the
-- owner.
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX2', 'SYSDSN', 'PAY.PROD.EMPLOYEE.MASTER', 0, 2, 342, '', 'GLPOST',   'PRDC', 0, 1, 0x0052, 342, 'YES', 'PRODPLX2:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX2', 'SYSDSN', 'PAY.PROD.EMPLOYEE.MASTER', 0, 2, 342, '', 'HRBENUPD', 'PRDD', 0, 0, 0x003E,  87, 'YES', 'PRODPLX2:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDA', 1, 'SYSDSN', 'PAY.PROD.EMPLOYEE.MASTER');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDA', 1, 1, 'PAYRL01',  0, 0, 0x0047, 'PRDA',   0, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDC', 1, 'SYSDSN', 'PAY.PROD.EMPLOYEE.MASTER');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDC', 1, 2, 'GLPOST',   0, 1, 0x0052, 'PRDC', 342, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDD', 1, 'SYSDSN', 'PAY.PROD.EMPLOYEE.MASTER');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDD', 1, 2, 'HRBENUPD', 0, 0, 0x003E, 'PRDD',  87, 0);

-- Case 2: owner and waiter on one Sysplex.
-- TSO user JSMITH on PRDB is editing member PAYCALC (SPFEDIT names the data
-- set, padded to 44, and the member) and has been swapped out since. The
-- batch edit job PAYCOMP on PRDA has waited 1260 s. PRODPLX1 sees the
-- exclusive owner, so no System is asked.
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX1', 'SPFEDIT', 'PAY.PROD.SOURCE                             PAYCALC', 1, 1, 1260, 'JSMITH', '', 'PRDB', 1, 0, 0x0061,    0, 'YES', 'PRODPLX1:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX1', 'SPFEDIT', 'PAY.PROD.SOURCE                             PAYCALC', 1, 1, 1260, '', 'PAYCOMP', 'PRDA', 0, 0, 0x004B, 1260, 'YES', 'PRODPLX1:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDB', 1, 'SPFEDIT', 'PAY.PROD.SOURCE                             PAYCALC');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDB', 1, 1, 'JSMITH',   1, 0, 0x0061, 'PRDB',    0, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDA', 2, 'SPFEDIT', 'PAY.PROD.SOURCE                             PAYCALC');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDA', 2, 2, 'PAYCOMP',  0, 0, 0x004B, 'PRDA', 1260, 0);

-- Case 3: shared owners on both Sysplexes.
-- Report jobs PAYRPT1 (PRDA) and PAYRPT2 (PRDD) read the tax rates; the
-- update job PAYTAXUP (PRDB) has waited 45 s for exclusive use. PRODPLX1
-- sees PAYRPT1 and the waiter; no exclusive owner is in sight, so the view
-- asks PRDC and PRDD and finds PAYRPT2 on PRDD.
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX1', 'SYSDSN', 'PAY.PROD.TAXRATES', 1, 1, 45, 'PAYRPT1', '', 'PRDA', 0, 1, 0x0039,  0, 'YES', 'PRODPLX1:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX1', 'SYSDSN', 'PAY.PROD.TAXRATES', 1, 1, 45, '', 'PAYTAXUP', 'PRDB', 0, 0, 0x0052, 45, 'YES', 'PRODPLX1:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDA', 3, 'SYSDSN', 'PAY.PROD.TAXRATES');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDA', 3, 1, 'PAYRPT1',  0, 1, 0x0039, 'PRDA',  0, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDB', 2, 'SYSDSN', 'PAY.PROD.TAXRATES');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDB', 2, 2, 'PAYTAXUP', 0, 0, 0x0052, 'PRDB', 45, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDD', 2, 'SYSDSN', 'PAY.PROD.TAXRATES');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDD', 2, 1, 'PAYRPT2',  0, 1, 0x0044, 'PRDD',  0, 0);

-- Case 4: the owner is on a System whose agent is offline.
-- GLARCH on PRDE is archiving the ledger history; GLRECON on PRDB has waited
-- 610 s. PRODPLX1 sees the waiter. PRDA, PRDC and PRDD know nothing of it and
-- PRDE cannot be asked, so the view shows a waiter without an owner.
INSERT INTO MGLBLENQ VALUES ('RTEMS_PRODPLX1', 'SYSDSN', 'GL.PROD.LEDGER.HISTORY', 0, 1, 610, '', 'GLRECON', 'PRDB', 0, 0, 0x0058, 610, 'YES', 'PRODPLX1:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDB', 3, 'SYSDSN', 'GL.PROD.LEDGER.HISTORY');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDB', 3, 2, 'GLRECON',  0, 0, 0x0058, 'PRDB', 610, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDE', 1, 'SYSDSN', 'GL.PROD.LEDGER.HISTORY');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDE', 1, 1, 'GLARCH',   0, 0, 0x0036, 'PRDE',   0, 0);

-- ENQs without contention: the agents know them, no PlexHub reports them,
-- and the view never asks for them.
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDA', 4, 'SYSDSN', 'PAY.PROD.PAYSLIPS');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDA', 4, 1, 'PAYRL01',  0, 0, 0x0047, 'PRDA', 0, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_PRDC', 2, 'SYSDSN', 'GL.PROD.JOURNAL');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_PRDC', 2, 1, 'GLPOST',   0, 1, 0x0052, 'PRDC', 0, 0);


-- ===========================================================================
-- MIMPLEX
-- ===========================================================================
-- MIM serialises across CICA and CICB; each System's own serialisation sees
-- only its own tasks. Where a task waits for a resource owned on the other
-- System, MIM's address space MIMGR holds the resource locally on the owner's
-- behalf, with ENQPFLAG 0x80. CICSPLX reports, for each System that has a
-- waiter, that System's tasks.

-- Case 5: MIM holds the resource for an owner on the other System.
-- CSDUPDT on CICB is updating the CICS system definition file. CICS region
-- CICSPA1 on CICA has waited 23 s to read it; on CICA, MIMGR holds it for
-- CSDUPDT. CICSPLX sees only MIMGR and the waiter; the view asks CICB and
-- finds the true owner.
INSERT INTO MGLBLENQ VALUES ('RTEMS_CICSPLX', 'SYSDSN', 'CICS.PROD.DFHCSD', 1, 1, 23, 'MIMGR', '', 'CICA', 0, 0, 0x001C,  0, 'YES', 'CICSPLX:PLEXHUB', 0x80);
INSERT INTO MGLBLENQ VALUES ('RTEMS_CICSPLX', 'SYSDSN', 'CICS.PROD.DFHCSD', 1, 1, 23, '', 'CICSPA1', 'CICA', 0, 1, 0x0029, 23, 'YES', 'CICSPLX:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_CICA', 1, 'SYSDSN', 'CICS.PROD.DFHCSD');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICA', 1, 1, 'MIMGR',    0, 0, 0x001C, 'CICA',  0, 0x80);
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICA', 1, 2, 'CICSPA1',  0, 1, 0x0029, 'CICA', 23, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_CICB', 1, 'SYSDSN', 'CICS.PROD.DFHCSD');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICB', 1, 1, 'CSDUPDT',  0, 0, 0x0049, 'CICB',  0, 0);

-- Case 6: true owner and MIM side by side.
-- Overnight job ARNIGHT on CICA updates the invoice file. Region CICSPA2 on
-- the same System has waited 15 s; region CICSPB1 on CICB 118 s, and there
-- MIMGR holds the file for ARNIGHT. CICSPLX sees all four tasks, the true
-- exclusive owner among them, so no System is asked.
INSERT INTO MGLBLENQ VALUES ('RTEMS_CICSPLX', 'SYSDSN', 'AR.PROD.INVOICE.KSDS', 2, 2, 118, 'ARNIGHT', '', 'CICA', 0, 0, 0x0055,   0, 'YES', 'CICSPLX:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_CICSPLX', 'SYSDSN', 'AR.PROD.INVOICE.KSDS', 2, 2, 118, 'MIMGR',   '', 'CICB', 0, 0, 0x001C,   0, 'YES', 'CICSPLX:PLEXHUB', 0x80);
INSERT INTO MGLBLENQ VALUES ('RTEMS_CICSPLX', 'SYSDSN', 'AR.PROD.INVOICE.KSDS', 2, 2, 118, '', 'CICSPA2',   'CICA', 0, 1, 0x002A,  15, 'YES', 'CICSPLX:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_CICSPLX', 'SYSDSN', 'AR.PROD.INVOICE.KSDS', 2, 2, 118, '', 'CICSPB1',   'CICB', 0, 1, 0x0029, 118, 'YES', 'CICSPLX:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_CICA', 2, 'SYSDSN', 'AR.PROD.INVOICE.KSDS');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICA', 2, 1, 'ARNIGHT',  0, 0, 0x0055, 'CICA',   0, 0);
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICA', 2, 2, 'CICSPA2',  0, 1, 0x002A, 'CICA',  15, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_CICB', 2, 'SYSDSN', 'AR.PROD.INVOICE.KSDS');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICB', 2, 1, 'MIMGR',    0, 0, 0x001C, 'CICB',   0, 0x80);
INSERT INTO ENQ_TASKS VALUES ('RTEMS_CICB', 2, 2, 'CICSPB1',  0, 1, 0x0029, 'CICB', 118, 0);


-- ===========================================================================
-- *DEFAULT
-- ===========================================================================

-- Case 7: several waiters on one Sysplex.
-- TSTDEFCL on TSTA is defining clusters and holds the VVDS of volume TST001.
-- TSTUNLD on the same System has waited 31 s, TSTCATLG on TSTB 12 s.
INSERT INTO MGLBLENQ VALUES ('RTEMS_TESTPLX', 'SYSZVVDS', 'SYS1.VVDS.VTST001', 1, 2, 31, 'TSTDEFCL', '', 'TSTA', 0, 0, 0x0043,  0, 'YES', 'TESTPLX:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_TESTPLX', 'SYSZVVDS', 'SYS1.VVDS.VTST001', 1, 2, 31, '', 'TSTUNLD',    'TSTA', 0, 0, 0x0046, 31, 'YES', 'TESTPLX:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_TESTPLX', 'SYSZVVDS', 'SYS1.VVDS.VTST001', 1, 2, 31, '', 'TSTCATLG',   'TSTB', 0, 1, 0x0040, 12, 'YES', 'TESTPLX:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_TSTA', 1, 'SYSZVVDS', 'SYS1.VVDS.VTST001');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_TSTA', 1, 1, 'TSTDEFCL', 0, 0, 0x0043, 'TSTA',  0, 0);
INSERT INTO ENQ_TASKS VALUES ('RTEMS_TSTA', 1, 2, 'TSTUNLD',  0, 0, 0x0046, 'TSTA', 31, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_TSTB', 1, 'SYSZVVDS', 'SYS1.VVDS.VTST001');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_TSTB', 1, 2, 'TSTCATLG', 0, 1, 0x0040, 'TSTB', 12, 0);

-- Case 8: allocation queue on a one-System Sysplex.
-- DEVBLD1 on DEV1 holds the device allocation queue; DEVBLD2 has waited 3 s.
INSERT INTO MGLBLENQ VALUES ('RTEMS_DEVPLX', 'SYSIEFSD', 'Q4', 1, 1, 3, 'DEVBLD1', '', 'DEV1', 0, 0, 0x0031, 0, 'YES', 'DEVPLX:PLEXHUB', 0);
INSERT INTO MGLBLENQ VALUES ('RTEMS_DEVPLX', 'SYSIEFSD', 'Q4', 1, 1, 3, '', 'DEVBLD2',  'DEV1', 0, 0, 0x0033, 3, 'YES', 'DEVPLX:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_DEV1', 1, 'SYSIEFSD', 'Q4');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_DEV1', 1, 1, 'DEVBLD1',  0, 0, 0x0031, 'DEV1', 0, 0);
INSERT INTO ENQ_TASKS VALUES ('RTEMS_DEV1', 1, 2, 'DEVBLD2',  0, 0, 0x0033, 'DEV1', 3, 0);

-- Case 9: "*DEFAULT" spans both PlexHubs.
-- DEVCOPY on DEV1 is refreshing the common parameter library; TSTLOAD on
-- TSTB has waited 95 s to read it. TESTPLX sees the waiter only; the view
-- asks TSTA (nothing) and DEV1, which owns it.
INSERT INTO MGLBLENQ VALUES ('RTEMS_TESTPLX', 'SYSDSN', 'TEST.COMMON.PARMLIB', 0, 1, 95, '', 'TSTLOAD', 'TSTB', 0, 1, 0x004D, 95, 'YES', 'TESTPLX:PLEXHUB', 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_TSTB', 2, 'SYSDSN', 'TEST.COMMON.PARMLIB');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_TSTB', 2, 2, 'TSTLOAD',  0, 1, 0x004D, 'TSTB', 95, 0);
INSERT INTO ENQ_RESRC VALUES ('RTEMS_DEV1', 2, 'SYSDSN', 'TEST.COMMON.PARMLIB');
INSERT INTO ENQ_TASKS VALUES ('RTEMS_DEV1', 2, 1, 'DEVCOPY',  0, 0, 0x003A, 'DEV1',  0, 0);
