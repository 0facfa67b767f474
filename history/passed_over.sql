-- What the view passed over of the configuration in a sample, counted as the
-- picture counts it (the tree's "Not seen:" lines are made from it), for the
-- samples that passed over anything. A history written before this table
-- was kept lacks it; the writer adds it, and its older samples say nothing
-- of what was passed over.
CREATE TABLE IF NOT EXISTS PASSED_OVER (
  SAMPLE_ID               INTEGER PRIMARY KEY,  -- SAMPLES.ID
  PLEXHUB_NODES           INTEGER NOT NULL,     -- PlexHub nodes without a name or a thru-node
  AGENT_NODES             INTEGER NOT NULL,     -- agent nodes without a System name or a thru-node
  UNNAMED_SYSTEM_ROWS     INTEGER NOT NULL,     -- MXCFSYS rows without a System name
  SYSTEMS_WITHOUT_PLEXHUB INTEGER NOT NULL,     -- Systems whose PlexHub node has no name
  SYSTEMS_NOT_ASKED       INTEGER NOT NULL,     -- Systems asked for no tasks: no thru-node known
  SYSTEM_ROWS_READ        INTEGER NOT NULL,     -- MXCFSYS rows the view read; -1 when not counted
  SYSTEM_ROWS_CONFIGURED  INTEGER NOT NULL      -- MXCFSYS rows the snapshot holds; -1 when not counted
);
