"""A small SQL Server stand-in for tests: TDS 7.x over loopback, a catalogue of databases and a
little T-SQL interpreter, with scripted failures and a JSON log of everything clients send."""
