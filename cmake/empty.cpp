// Lets a library exist before its folder holds sources of its own.
