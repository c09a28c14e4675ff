#!/usr/bin/env bash
# Placeholder until the end-to-end table exists.
exit 0
