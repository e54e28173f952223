// The consumer's own library named `storage`, unrelated to morvane's.

int consumerOwnStorage() { return 42; }
