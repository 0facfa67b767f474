-- History of the view: what MENTRENQ answered over time, one sample at a
-- time, and the episodes of contention those samples make.
--
-- A history is a SQLite database in WAL mode with application_id 1296910408
-- (0x4D4D4848) and user_version 1, the version of this schema. One process
-- writes it at a time (`mentrenq record`); any number read it. Each sample
-- is written in one transaction, with its rows and the changes it makes to
-- the episodes, so a reader never sees half a sample.
--
-- Times are whole milliseconds since 1970-01-01T00:00:00Z (UTC):
--   SELECT strftime('%Y-%m-%dT%H:%M:%fZ', TAKEN_MS / 1000.0, 'unixepoch') ...
-- Texts of the view are kept as the view delivered them, without the blanks
-- that pad them to their width. What each sample passed over of the
-- configuration is kept in the table of passed_over.sql.

-- One sample: one run of the view (the report, then the owners and waiters
-- of each contended resource) on one version of a snapshot.
CREATE TABLE SAMPLES (
  ID           INTEGER PRIMARY KEY,  -- in the order of TAKEN_MS
  TAKEN_MS     INTEGER NOT NULL,     -- the snapshot's CAPTURE time, or when it was read
  CAPTURED     INTEGER NOT NULL,     -- 1: TAKEN_MS is the CAPTURE time; 0: the time it was read
  SNAPSHOT     TEXT NOT NULL,        -- the snapshot file as it was named
  SNAPSHOT_ID  TEXT NOT NULL,        -- which version of it was read (empty when none could be)
  STATUS       INTEGER,              -- the report's final status (62: ended normally);
                                     -- NULL when the snapshot could not be read and the view did not run
  ABANDON      INTEGER NOT NULL,     -- why the view was abandoned (include/zrx/status.h), 0 for none
  REASON       TEXT,                 -- what went wrong, as the command says it; NULL when nothing did
  VIEW_MS      REAL NOT NULL,        -- how long the view took, in milliseconds
  ENQPLEXES    TEXT NOT NULL,        -- the snapshot's Enqplexes, one per line
  REPORT_ROWS  INTEGER NOT NULL,     -- rows of the report (contended resources)
  DETAIL_ROWS  INTEGER NOT NULL,     -- rows of the resources' owners and waiters
  WAITERS      INTEGER NOT NULL,     -- WAITTASKCT summed over the report
  LONGEST_WAIT INTEGER NOT NULL,     -- the largest MAXWAITTM of the report, 0 without rows
  FIRST_ROW    INTEGER NOT NULL,     -- ROWS.ID of its first row; its rows follow without a gap
  INTERVAL_MS  INTEGER               -- milliseconds to the next sample; NULL for the last one
);
CREATE UNIQUE INDEX SAMPLES_TAKEN ON SAMPLES (TAKEN_MS);

-- The rows of the samples, in sample order: for each resource of a sample's
-- report, its report row (DETAIL 0), then the rows its own query handed out
-- (DETAIL 1, 2, ... in the view's order). The columns after DETAIL are those
-- of MENTRENQ; SWAPPED, TYPE and TRUEOWNER as unsigned bytes.
CREATE TABLE ROWS (
  ID            INTEGER PRIMARY KEY,
  SAMPLE_ID     INTEGER NOT NULL,
  RESOURCE      INTEGER NOT NULL,    -- the place of the resource in the report, from 1
  DETAIL        INTEGER NOT NULL,
  MAJORNAME     TEXT NOT NULL,
  MINORNAME     TEXT NOT NULL,
  OWNTASKCT     INTEGER NOT NULL,
  WAITTASKCT    INTEGER NOT NULL,
  MAXWAITTM     INTEGER NOT NULL,
  OWNINGAS      TEXT NOT NULL,
  WAITINGAS     TEXT NOT NULL,
  SYSNAME       TEXT NOT NULL,
  SWAPPED       INTEGER NOT NULL,
  TYPE          INTEGER NOT NULL,
  ASID          INTEGER NOT NULL,
  WAITTIME      INTEGER NOT NULL,
  REPORT        TEXT NOT NULL,
  ORIGINNODE    TEXT NOT NULL,
  PLXNAME       TEXT NOT NULL,
  ENQPLEX       TEXT NOT NULL,
  TRUEOWNER     INTEGER NOT NULL,
  -- On report rows only (NULL on the others):
  DETAIL_ROWS   INTEGER,             -- how many rows follow it
  DETAIL_STATUS INTEGER,             -- the final status of its own query; 0 when it could not be asked
  DETAIL_ABANDON INTEGER,            -- why that query was abandoned, 0 for none
  UNAVAILABLE   TEXT,                -- why its owners and waiters could not be read; NULL when they were
  EPISODE_ID    INTEGER              -- its episode; NULL in a sample whose report failed
);
CREATE INDEX ROWS_EPISODE ON ROWS (EPISODE_ID) WHERE EPISODE_ID IS NOT NULL;

-- An episode: a maximal run of consecutive samples in which a resource
-- (ENQPLEX, MAJORNAME, MINORNAME) has a report row. A sample whose report
-- ended normally without the resource ends the run; a failed sample ends
-- none. BLOCKED_MS sums, over the episode's samples, WAITTASKCT times the
-- time to the next sample of the history (nothing yet for the history's
-- last sample: the next sample adds it).
CREATE TABLE EPISODES (
  ID             INTEGER PRIMARY KEY,
  ENQPLEX        TEXT NOT NULL,
  MAJORNAME      TEXT NOT NULL,
  MINORNAME      TEXT NOT NULL,
  FIRST_SEEN     INTEGER NOT NULL,   -- TAKEN_MS of its first sample
  LAST_SEEN      INTEGER NOT NULL,   -- TAKEN_MS of its last sample
  SAMPLES        INTEGER NOT NULL,
  MAX_WAITERS    INTEGER NOT NULL,   -- the largest WAITTASKCT
  MAX_WAIT       INTEGER NOT NULL,   -- the largest MAXWAITTM, in seconds
  BLOCKED_MS     INTEGER NOT NULL,
  LAST_SAMPLE_ID INTEGER NOT NULL,   -- the sample of LAST_SEEN
  LAST_WAITERS   INTEGER NOT NULL,   -- its WAITTASKCT there
  OPEN           INTEGER NOT NULL    -- 1 while no later sample has ended it
);
CREATE UNIQUE INDEX EPISODES_OPEN ON EPISODES (ENQPLEX, MAJORNAME, MINORNAME) WHERE OPEN = 1;
CREATE INDEX EPISODES_LAST_SEEN ON EPISODES (LAST_SEEN);
CREATE INDEX EPISODES_FIRST_SEEN ON EPISODES (FIRST_SEEN);
CREATE INDEX EPISODES_LAST_SAMPLE ON EPISODES (LAST_SAMPLE_ID);

-- The holders of each episode: OWNINGAS@SYSNAME of the owner rows among its
-- resource's rows, in order of first appearance. BLOCKED_MS is the part of
-- the episode's BLOCKED_MS accrued in the samples where it held the
-- resource (several holders of one sample each get that sample's part).
CREATE TABLE HOLDERS (
  EPISODE_ID     INTEGER NOT NULL,
  PLACE          INTEGER NOT NULL,   -- from 1, in order of first appearance
  HOLDER         TEXT NOT NULL,
  BLOCKED_MS     INTEGER NOT NULL,
  LAST_SAMPLE_ID INTEGER NOT NULL,   -- the last sample in which it held the resource
  PRIMARY KEY (EPISODE_ID, PLACE)
) WITHOUT ROWID;
CREATE UNIQUE INDEX HOLDERS_NAME ON HOLDERS (EPISODE_ID, HOLDER);
CREATE INDEX HOLDERS_LAST_SAMPLE ON HOLDERS (LAST_SAMPLE_ID);
