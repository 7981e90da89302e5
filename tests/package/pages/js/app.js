function greet() { return "packed"; }
