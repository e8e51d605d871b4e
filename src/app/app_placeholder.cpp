// The window's sources replace this file.
