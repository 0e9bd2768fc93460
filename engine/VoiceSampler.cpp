// Filled in by the controllers/sampler work.
