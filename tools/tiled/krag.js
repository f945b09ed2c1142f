var KRAG = { data: "", programs: "" };
