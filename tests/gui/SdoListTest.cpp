// The data dictionary browser tests (being written).
