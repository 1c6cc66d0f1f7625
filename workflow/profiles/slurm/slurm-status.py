#!/usr/bin/python3
# Tells Snakemake what became of a Slurm job: "success", "running" or
# "failed". Without it Snakemake waits for a marker file that a job killed by
# Slurm (scancel, time or memory limit, a lost node) never writes, and would
# wait forever instead of resubmitting the job (restart-times).
# Asks scontrol first (it knows recent jobs without accounting), then sacct.
import subprocess
import sys

RUNNING = {"PENDING", "CONFIGURING", "RUNNING", "COMPLETING", "SUSPENDED", "REQUEUED",
           "RESIZING", "SIGNALING", "STAGE_OUT", "REQUEUE_HOLD", "REQUEUE_FED"}


def state_of(job):
    try:
        out = subprocess.run(["scontrol", "show", "job", "-o", job], capture_output=True,
                             text=True, timeout=60).stdout
        for field in out.split():
            if field.startswith("JobState="):
                return field.split("=", 1)[1]
    except (OSError, subprocess.TimeoutExpired):
        pass
    try:
        out = subprocess.run(["sacct", "-j", job, "-X", "-n", "-P", "-o", "State"],
                             capture_output=True, text=True, timeout=60).stdout.split()
        if out:
            return out[0].split()[0]
    except (OSError, subprocess.TimeoutExpired):
        pass
    return ""


state = state_of(sys.argv[1].split(";")[0])  # sbatch --parsable: "id[;cluster]"
if state == "COMPLETED":
    print("success")
elif state in RUNNING or state == "":
    # Unknown for now (the controller busy): ask again at the next poll.
    print("running")
else:
    print("failed")
