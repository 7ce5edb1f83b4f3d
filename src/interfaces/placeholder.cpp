int vzPlaceholder() { return 0; }
