-- Korvelo shop database: the role the benches log in with. Run by the database's owner after
-- Korvelo has created the record's tables (open the database once with the owner's connection,
-- for example: korvelo-cli history --shop "dbname=korvelo user=OWNER").
--
--   psql "dbname=korvelo user=OWNER" -f bench-role.sql
--   psql "dbname=korvelo user=OWNER" -c "CREATE ROLE bench1 LOGIN PASSWORD '...' IN ROLE korvelo_bench"
--
-- A bench may add jobs and read every job; it may not change or delete a job, nor the schema,
-- so no bench can alter another bench's history.
DO $$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'korvelo_bench') THEN
    CREATE ROLE korvelo_bench NOLOGIN;
  END IF;
END
$$;

REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO korvelo_bench;
GRANT SELECT ON schema_version TO korvelo_bench;
GRANT SELECT, INSERT ON jobs, job_values, job_backups, job_readings, job_verifications
  TO korvelo_bench;
-- Tables that later versions of Korvelo add: the owner's migrations grant the same.
ALTER DEFAULT PRIVILEGES IN SCHEMA public GRANT SELECT, INSERT ON TABLES TO korvelo_bench;
