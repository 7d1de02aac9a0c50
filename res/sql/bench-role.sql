-- Korvelo shop database: the roles the benches log in with. Run by the database's owner after
-- Korvelo has created the record's tables (open the database once with the owner's connection,
-- for example: korvelo-cli history --shop "dbname=korvelo user=OWNER"), and again after a
-- Korvelo that adds tables has migrated it. Then give each bench a login role of its own:
--
--   psql "dbname=korvelo user=OWNER" -f bench-role.sql
--   psql "dbname=korvelo user=OWNER" -c "CREATE ROLE bench1 LOGIN PASSWORD '...' IN ROLE korvelo_bench"
--
-- A bench may add jobs and read every job; it may not change or delete a job, nor the schema,
-- so no bench can alter another bench's history. A job's bench is its login role, whatever the
-- bench sends, and a bench may add rows (values, readings, backups, checks) only to its own
-- jobs. The owner is not held by these rules.
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
GRANT SELECT, INSERT ON jobs, job_values, job_backups, job_readings, job_verifications,
  job_reading_steps TO korvelo_bench;
-- Tables that later versions of Korvelo add can be read; adding to them waits for this script,
-- run again, to give them their rules.
ALTER DEFAULT PRIVILEGES IN SCHEMA public REVOKE INSERT ON TABLES FROM korvelo_bench;
ALTER DEFAULT PRIVILEGES IN SCHEMA public GRANT SELECT ON TABLES TO korvelo_bench;

-- The bench of a job is the role that adds it (the owner and superusers excepted).
CREATE OR REPLACE FUNCTION korvelo_job_bench() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF NOT (SELECT rolsuper FROM pg_roles WHERE rolname = current_user)
     AND NOT pg_has_role(current_user, (SELECT tableowner FROM pg_tables
                                        WHERE schemaname = TG_TABLE_SCHEMA
                                          AND tablename = TG_TABLE_NAME), 'MEMBER') THEN
    NEW.bench := current_user;
  END IF;
  RETURN NEW;
END
$$;
DROP TRIGGER IF EXISTS jobs_bench ON jobs;
CREATE TRIGGER jobs_bench BEFORE INSERT ON jobs
  FOR EACH ROW EXECUTE FUNCTION korvelo_job_bench();

-- Row-level security: every row may be read; a job is added only as its own bench's, and a
-- job's rows only to a job of the same bench.
ALTER TABLE jobs ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS bench_reads ON jobs;
CREATE POLICY bench_reads ON jobs FOR SELECT TO korvelo_bench USING (true);
DROP POLICY IF EXISTS bench_adds ON jobs;
CREATE POLICY bench_adds ON jobs FOR INSERT TO korvelo_bench WITH CHECK (bench = current_user);

DO $$
DECLARE
  t text;
BEGIN
  FOREACH t IN ARRAY ARRAY['job_values', 'job_backups', 'job_readings', 'job_verifications',
                           'job_reading_steps'] LOOP
    EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('DROP POLICY IF EXISTS bench_reads ON %I', t);
    EXECUTE format('CREATE POLICY bench_reads ON %I FOR SELECT TO korvelo_bench USING (true)', t);
    EXECUTE format('DROP POLICY IF EXISTS bench_adds ON %I', t);
    EXECUTE format('CREATE POLICY bench_adds ON %I FOR INSERT TO korvelo_bench WITH CHECK '
                   '(EXISTS (SELECT 1 FROM jobs WHERE jobs.uuid = job_uuid '
                   'AND jobs.bench = current_user))', t);
  END LOOP;
END
$$;
