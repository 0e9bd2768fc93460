// SPDX-License-Identifier: GPL-3.0-or-later
// The factory presets by category, from presets/index.json (made when the page
// is built); a preset's file is fetched when it is chosen, and kept.

export const FACTORY_BANK = ''; // the value of the built-in General MIDI bank

export class PresetPicker {
    constructor(select, siteRoot) {
        this.select = select;
        this.siteRoot = siteRoot;
        this.cache = new Map();
        this.entries = new Map(); // path -> { name, category, size }
    }

    async list() {
        const response = await fetch(new URL('presets/index.json', this.siteRoot));
        const index = response.ok ? await response.json() : { categories: [] };
        const factory = new Option('Factory GM bank (built in, as tolvane-render starts)', FACTORY_BANK);
        this.select.replaceChildren(factory);
        for (const category of index.categories) {
            const group = document.createElement('optgroup');
            group.label = category.name;
            for (const preset of category.presets) {
                group.append(new Option(preset.name, preset.path));
                this.entries.set(preset.path, { ...preset, category: category.name });
            }
            this.select.append(group);
        }
        return index;
    }

    // The URL of a preset of the list (path as in the index).
    url(path) {
        return new URL(path.split('/').map(encodeURIComponent).join('/'), this.siteRoot);
    }

    name(path) {
        return path === FACTORY_BANK ? 'Factory GM bank' : this.entries.get(path)?.name ?? path;
    }

    // The preset's bytes (null for the built-in bank), fetched once.
    async bytes(path) {
        if (path === FACTORY_BANK) return null;
        if (!this.cache.has(path)) {
            this.cache.set(
                path,
                fetch(this.url(path)).then(async (response) => {
                    if (!response.ok) throw new Error(`${this.name(path)}: ${response.status} ${response.statusText}`);
                    return new Uint8Array(await response.arrayBuffer());
                }),
            );
        }
        try {
            return await this.cache.get(path);
        } catch (error) {
            this.cache.delete(path);
            throw error;
        }
    }
}
