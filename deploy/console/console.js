// The API console: the generated OpenAPI document (docs/openapi.json, served
// as /openapi.json) in the console, its "Try it out" sending each request to
// the CGI program that serves this page.
window.onload = function () {
  window.ui = SwaggerUIBundle({
    url: '/openapi.json',
    dom_id: '#console',
    deepLinking: true,
    docExpansion: 'list',
    filter: true,
    tryItOutEnabled: true,
    displayRequestDuration: true,
    presets: [SwaggerUIBundle.presets.apis, SwaggerUIStandalonePreset],
    plugins: [SwaggerUIBundle.plugins.DownloadUrl],
    layout: 'StandaloneLayout',
  });
};
