// Replaced by the storage engine.
