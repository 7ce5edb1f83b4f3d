// Mesh data library sources.
