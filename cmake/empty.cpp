// Keeps the program library non-empty while its units are added.
