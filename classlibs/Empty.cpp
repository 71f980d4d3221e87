// Keeps a class library target valid while its folder is being filled.
